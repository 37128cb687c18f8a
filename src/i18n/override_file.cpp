#include "i18n/override_file.h"

#include "core/exceptions.h"
#include "fs/file_system.h"

namespace lumo {

void check_language_override_size(std::optional<uint64_t> size_bytes) {
  if (!size_bytes) throw sonatrix_io::exception_io_no_length();
  if (*size_bytes > language_override_max_bytes) throw sonatrix_io::exception_io_data();
}

std::optional<std::string> read_language_override(std::string_view profile_folder) {
  const abort_signal& abort = abort_none();
  file_ptr file;
  try {
    file = open_file(local_url_in_folder(profile_folder, language_override_name), open_mode::read,
                     abort);
  } catch (const sonatrix_io::exception_io_not_found&) {
    return std::nullopt;  // no override: the built-in documents apply
  }
  const uint64_t size = file->get_size(abort);
  check_language_override_size(size == filesize_unknown ? std::nullopt
                                                        : std::optional<uint64_t>(size));
  std::string bytes(static_cast<size_t>(size), '\0');
  // A file that shrank while we read is parsed as it is.
  bytes.resize(file->read(bytes.data(), bytes.size(), abort));
  return bytes;
}

}  // namespace lumo
