#include "test_folder.h"

#include <vector>

#include "fs/file_system.h"

namespace lumo::testing {

namespace {

void remove_tree(const std::string& url) {
  const file_system& fs = find_file_system(url);
  std::vector<directory_entry> entries;
  fs.list_directory(
      url,
      [&](const directory_entry& e, const abort_signal&) {
        entries.push_back(e);
        return true;
      },
      abort_none());
  for (const auto& e : entries) {
    if (e.is_folder) {
      remove_tree(e.url);
    } else {
      set_read_only(e.url, false);
      fs.remove(e.url);
    }
  }
  fs.remove(url);
}

}  // namespace

test_folder::test_folder() : url_(make_temp_folder_url()) {}

test_folder::~test_folder() {
  try {
    remove_tree(url_);
  } catch (const std::exception&) {
    // A leftover temporary folder must not turn a passing test into a crash.
  }
}

void write_whole_file(const std::string& url, std::string_view content) {
  file_ptr f = open_file(url, open_mode::write_new, abort_none());
  f->write(content.data(), content.size(), abort_none());
}

std::string read_whole_file(const std::string& url) {
  file_ptr f = open_file(url, open_mode::read, abort_none());
  std::string content(static_cast<size_t>(f->get_size(abort_none())), '\0');
  f->read_exact(content.data(), content.size(), abort_none());
  return content;
}

}  // namespace lumo::testing
