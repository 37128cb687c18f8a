#include <sys/stat.h>

#include <cstdlib>
#include <stdexcept>

#include "test_folder.h"

namespace lumo::testing {

std::string make_temp_folder_url() {
  const char* dir = std::getenv("TMPDIR");
  std::string pattern = std::string(dir && *dir ? dir : "/tmp") + "/lumo-fs-test-XXXXXX";
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  return "file://" + pattern + "/";
}

void set_read_only(const std::string& url, bool is_read_only) {
  ::chmod(url.substr(7).c_str(), is_read_only ? 0444 : 0644);
}

}  // namespace lumo::testing
