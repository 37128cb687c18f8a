// The local file system on Windows: wide-character Win32 calls on the long-path form of
// every native path. Each call is preceded by SetLastError(0) so that the code read
// after a failure belongs to that call and not to something earlier.

#include "fs/native_fs.h"

#include <windows.h>

#include <algorithm>

#include "core/exceptions.h"
#include "core/handle_win32.h"
#include "core/unicode.h"
#include "fs/long_path.h"

namespace lumo::native_fs {

namespace {

[[noreturn]] void throw_last_error() {
  sonatrix_io::throw_io_error(GetLastError());
}

std::wstring wide_long_path(std::string_view path) {
  return to_wide(to_long_path(path));
}

uint64_t to_u64(DWORD high, DWORD low) {
  return (uint64_t{high} << 32) | low;
}
uint64_t to_u64(const FILETIME& t) {
  return to_u64(t.dwHighDateTime, t.dwLowDateTime);
}

// ReadFile and WriteFile take 32-bit counts.
constexpr size_t k_max_io_chunk_bytes = 1u << 30;

class win32_file final : public file {
 public:
  win32_file(unique_handle handle, bool is_writable)
      : handle_(std::move(handle)), is_writable_(is_writable) {}

  size_t read(void* buffer, size_t count_bytes, const abort_signal& abort) override {
    abort.check();
    auto* out = static_cast<std::byte*>(buffer);
    size_t done = 0;
    while (done < count_bytes) {
      DWORD chunk = static_cast<DWORD>(std::min(count_bytes - done, k_max_io_chunk_bytes));
      DWORD got = 0;
      SetLastError(0);
      if (!ReadFile(handle_.get(), out + done, chunk, &got, nullptr)) throw_last_error();
      done += got;
      position_ += got;
      if (got < chunk) break;  // end of file
    }
    return done;
  }

  void write(const void* buffer, size_t count_bytes, const abort_signal& abort) override {
    abort.check();
    auto* in = static_cast<const std::byte*>(buffer);
    size_t done = 0;
    while (done < count_bytes) {
      DWORD chunk = static_cast<DWORD>(std::min(count_bytes - done, k_max_io_chunk_bytes));
      DWORD put = 0;
      SetLastError(0);
      if (!WriteFile(handle_.get(), in + done, chunk, &put, nullptr)) throw_last_error();
      done += put;
      position_ += put;
      if (put < chunk) throw sonatrix_io::exception_io("Write failure");
    }
  }

  uint64_t get_size(const abort_signal& abort) override {
    abort.check();
    DWORD high = 0;
    SetLastError(0);
    DWORD low = GetFileSize(handle_.get(), &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) throw_last_error();
    return to_u64(high, low);
  }

  uint64_t get_position(const abort_signal& abort) override {
    abort.check();
    return position_;
  }

  void seek(uint64_t position, const abort_signal& abort) override {
    abort.check();
    if (position > get_size(abort)) throw sonatrix_io::exception_io_seek_out_of_range();
    set_pointer(position);
    position_ = position;
  }

  void resize(uint64_t size_bytes, const abort_signal& abort) override {
    abort.check();
    if (!is_writable_) throw sonatrix_io::exception_io_denied();
    if (position_ != size_bytes) set_pointer(size_bytes);
    SetLastError(0);
    if (!SetEndOfFile(handle_.get())) throw_last_error();
    position_ = std::min(position_, size_bytes);
    set_pointer(position_);
  }

  void flush(const abort_signal& abort) override {
    abort.check();
    // FlushFileBuffers needs write access; a read-only handle has nothing to flush.
    if (is_writable_) {
      SetLastError(0);
      if (!FlushFileBuffers(handle_.get())) throw_last_error();
    }
  }

  uint64_t get_timestamp(const abort_signal& abort) override {
    flush(abort);
    FILETIME last_write{};
    SetLastError(0);
    if (!GetFileTime(handle_.get(), nullptr, nullptr, &last_write)) throw_last_error();
    return to_u64(last_write);
  }

 private:
  void set_pointer(uint64_t position) {
    LARGE_INTEGER target;
    target.QuadPart = static_cast<LONGLONG>(position);
    SetLastError(0);
    if (!SetFilePointerEx(handle_.get(), target, nullptr, FILE_BEGIN)) throw_last_error();
  }

  unique_handle handle_;
  bool is_writable_;
  uint64_t position_ = 0;
};

bool is_drive_letter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Replaces each component after the root by its spelling on disk, looked up in its
// parent folder. Stops at the first component that is not found and keeps the rest as
// written. Only "X:\..." and "\\server\share\..." paths have a root we can walk from.
std::string restore_letter_case(std::string path) {
  size_t start;
  if (path.size() >= 3 && is_drive_letter(path[0]) && path[1] == ':' && path[2] == '\\') {
    if (path[0] >= 'a' && path[0] <= 'z') path[0] = static_cast<char>(path[0] - 'a' + 'A');
    start = 3;
  } else if (path.starts_with("\\\\") && !path.starts_with("\\\\?\\") &&
             !path.starts_with("\\\\.\\")) {
    size_t server_end = path.find('\\', 2);
    if (server_end == std::string::npos) return path;
    size_t share_end = path.find('\\', server_end + 1);
    if (share_end == std::string::npos) return path;
    start = share_end + 1;
  } else {
    return path;
  }

  std::string result = path.substr(0, start);
  size_t pos = start;
  while (pos < path.size()) {
    size_t end = std::min(path.find('\\', pos), path.size());
    std::string_view component = std::string_view(path).substr(pos, end - pos);
    // An empty component or a wildcard would make the lookup match something else.
    if (component.empty() || component.find_first_of("*?") != std::string_view::npos) break;
    WIN32_FIND_DATAW found;
    SetLastError(0);
    unique_find_handle find(
        FindFirstFileW(wide_long_path(result + std::string(component)).c_str(), &found));
    if (!find.is_valid()) break;
    std::wstring wide_component = to_wide(component);
    if (CompareStringOrdinal(found.cFileName, -1, wide_component.c_str(),
                             static_cast<int>(wide_component.size()), TRUE) != CSTR_EQUAL)
      break;
    result += from_wide(found.cFileName);
    if (end < path.size()) result += '\\';
    pos = end + 1;
  }
  if (pos < path.size()) result.append(path, pos);
  return result;
}

}  // namespace

char path_separator() {
  return '\\';
}

file_ptr open_file(std::string_view path, open_mode mode) {
  DWORD access = GENERIC_READ;
  DWORD disposition = OPEN_EXISTING;
  if (mode != open_mode::read) access |= GENERIC_WRITE;
  if (mode == open_mode::write_new) disposition = CREATE_ALWAYS;
  SetLastError(0);
  unique_handle handle(CreateFileW(wide_long_path(path).c_str(), access, FILE_SHARE_READ, nullptr,
                                   disposition, 0, nullptr));
  if (!handle.is_valid()) throw_last_error();
  return std::make_shared<win32_file>(std::move(handle), mode != open_mode::read);
}

file_ptr open_temp_file() {
  wchar_t folder[MAX_PATH + 1];
  SetLastError(0);
  if (GetTempPathW(MAX_PATH + 1, folder) == 0) throw_last_error();
  wchar_t name[MAX_PATH];
  SetLastError(0);
  if (GetTempFileNameW(folder, L"omg", 0, name) == 0) throw_last_error();
  SetLastError(0);
  unique_handle handle(CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                   FILE_FLAG_DELETE_ON_CLOSE | FILE_ATTRIBUTE_TEMPORARY, nullptr));
  if (!handle.is_valid()) {
    DWORD error = GetLastError();
    DeleteFileW(name);  // GetTempFileNameW created it; do not leave it behind
    sonatrix_io::throw_io_error(error);
  }
  return std::make_shared<win32_file>(std::move(handle), true);
}

std::optional<item_kind> probe(std::string_view path) {
  SetLastError(0);
  DWORD attributes = GetFileAttributesW(wide_long_path(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return std::nullopt;
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? item_kind::directory : item_kind::file;
}

bool is_directory_by_name(std::string_view path) {
  return path.ends_with('\\') || (path.size() == 2 && is_drive_letter(path[0]) && path[1] == ':');
}

file_stats get_stats(std::string_view path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  SetLastError(0);
  if (!GetFileAttributesExW(wide_long_path(path).c_str(), GetFileExInfoStandard, &data))
    throw_last_error();
  return {to_u64(data.nFileSizeHigh, data.nFileSizeLow), to_u64(data.ftLastWriteTime),
          (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) == 0};
}

void create_directory(std::string_view path) {
  SetLastError(0);
  if (!CreateDirectoryW(wide_long_path(path).c_str(), nullptr)) throw_last_error();
}

void remove(std::string_view path) {
  std::wstring wide = wide_long_path(path);
  SetLastError(0);
  DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) throw_last_error();
  SetLastError(0);
  BOOL ok = (attributes & FILE_ATTRIBUTE_DIRECTORY) ? RemoveDirectoryW(wide.c_str())
                                                    : DeleteFileW(wide.c_str());
  if (!ok) throw_last_error();
}

void move(std::string_view from, std::string_view to) {
  SetLastError(0);
  if (!MoveFileExW(wide_long_path(from).c_str(), wide_long_path(to).c_str(), MOVEFILE_COPY_ALLOWED))
    throw_last_error();
}

void replace(std::string_view from, std::string_view to) {
  SetLastError(0);
  if (!MoveFileExW(wide_long_path(from).c_str(), wide_long_path(to).c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH))
    throw_last_error();
}

void list_directory(std::string_view path, const std::function<bool(const entry&)>& on_entry) {
  std::string pattern(path);
  if (!pattern.ends_with('\\')) pattern += '\\';
  pattern += "*.*";
  WIN32_FIND_DATAW found;
  SetLastError(0);
  unique_find_handle find(FindFirstFileW(wide_long_path(pattern).c_str(), &found));
  if (!find.is_valid()) {
    DWORD error = GetLastError();
    // "File not found" for the pattern of an existing folder: nothing in it (drive roots
    // have no "." and "..").
    if (error == ERROR_FILE_NOT_FOUND && probe(path) == item_kind::directory) return;
    sonatrix_io::throw_io_error(error);
  }
  entry e;
  do {
    e.name = from_wide(found.cFileName);
    e.is_folder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    e.is_link = (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    e.size = to_u64(found.nFileSizeHigh, found.nFileSizeLow);
    e.timestamp = to_u64(found.ftLastWriteTime);
    if (!on_entry(e)) return;
    SetLastError(0);
  } while (FindNextFileW(find.get(), &found));
  // A listing that breaks off half-way must not pass for the whole folder.
  if (DWORD error = GetLastError(); error != ERROR_NO_MORE_FILES)
    sonatrix_io::throw_io_error(error);
}

std::string canonical_path(std::string_view url_or_path) {
  std::string_view path = url_or_path;
  if (path.starts_with("file:///"))
    path.remove_prefix(8);
  else if (path.starts_with("file://"))
    path.remove_prefix(7);
  std::wstring wide = to_wide(path);
  SetLastError(0);
  DWORD needed = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (needed == 0) throw_last_error();
  std::wstring full(needed, L'\0');
  SetLastError(0);
  DWORD length = GetFullPathNameW(wide.c_str(), needed, full.data(), nullptr);
  if (length == 0 || length >= needed) throw_last_error();
  full.resize(length);
  return from_long_path(restore_letter_case(from_wide(full)));
}

std::string current_directory() {
  DWORD needed = GetCurrentDirectoryW(0, nullptr);
  if (needed == 0) throw_last_error();
  std::wstring dir(needed, L'\0');
  DWORD length = GetCurrentDirectoryW(needed, dir.data());
  if (length == 0 || length >= needed) throw_last_error();
  dir.resize(length);
  return from_long_path(from_wide(dir));
}

}  // namespace lumo::native_fs
