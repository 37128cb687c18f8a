// The lookup of file system services through the service registry.

#include "core/exceptions.h"
#include "core/service_registry.h"
#include "fs/file_system.h"

namespace lumo {

const file_system& find_file_system(std::string_view url) {
  const file_system* found = nullptr;
  for_each_service<file_system>([&](const service_ptr<file_system>& fs) {
    if (fs->claims(url)) found = fs.get();
    return !found;
  });
  if (!found) throw sonatrix_io::exception_io_no_handler_for_path();
  return *found;
}

std::optional<std::string> make_canonical_path(std::string_view url) {
  std::optional<std::string> result;
  for_each_service<file_system>([&](const service_ptr<file_system>& fs) {
    result = fs->canonical_path(url);
    return !result;
  });
  return result;
}

}  // namespace lumo
