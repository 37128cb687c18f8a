#include <windows.h>

#include "core/exceptions.h"
#include "core/unicode.h"
#include "i18n/override_file.h"

namespace lumo {

namespace {

struct file_handle {
  HANDLE h;
  ~file_handle() { CloseHandle(h); }
};

}  // namespace

std::optional<std::string> read_language_override(std::string_view profile_folder) {
  std::string path(profile_folder);
  if (!path.empty() && path.back() != '\\' && path.back() != '/') path += '\\';
  path += language_override_name;
  HANDLE h = CreateFileW(to_wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return std::nullopt;
    sonatrix_io::throw_io_error(error);
  }
  file_handle file{h};
  LARGE_INTEGER size;
  std::optional<uint64_t> size_bytes;
  if (GetFileType(h) == FILE_TYPE_DISK && GetFileSizeEx(h, &size))
    size_bytes = static_cast<uint64_t>(size.QuadPart);
  check_language_override_size(size_bytes);
  std::string bytes(static_cast<size_t>(*size_bytes), '\0');
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD got = 0;
    if (!ReadFile(h, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &got, nullptr))
      sonatrix_io::throw_io_error(GetLastError());
    if (got == 0) break;  // shrank while we read: parse what is there
    done += got;
  }
  bytes.resize(done);
  return bytes;
}

}  // namespace lumo
