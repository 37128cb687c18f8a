#include "library/browse_platform.h"

#include <windows.h>

#include "core/exceptions.h"
#include "core/handle_win32.h"
#include "core/unicode.h"

namespace lumo::browse_platform {

namespace {
// Buffer sizes in characters, as the drive list and the label are read.
constexpr DWORD drive_strings_chars = 1023;
constexpr DWORD volume_label_chars = 261;
constexpr DWORD change_buffer_bytes = 65536;
constexpr DWORD change_filter =
    FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME | FILE_NOTIFY_CHANGE_ATTRIBUTES;
}  // namespace

std::vector<drive> list_drives() {
  std::vector<drive> drives;
  wchar_t buffer[drive_strings_chars + 1] = {};
  const DWORD length = GetLogicalDriveStringsW(drive_strings_chars, buffer);
  // A longer list does not fit; it is shown as no drives at all.
  if (length == 0 || length > drive_strings_chars) return drives;
  for (const wchar_t* p = buffer; *p; p += wcslen(p) + 1) {
    drive d;
    d.root = from_wide(p);
    wchar_t label[volume_label_chars] = {};
    if (GetVolumeInformationW(p, label, volume_label_chars, nullptr, nullptr, nullptr, nullptr, 0))
      d.label = from_wide(label);
    drives.push_back(std::move(d));
  }
  return drives;
}

std::string join_path(std::string_view folder, std::string_view name) {
  std::string out(folder);
  if (out.empty() || (out.back() != '\\' && out.back() != '/')) out += '\\';
  out.append(name);
  return out;
}

void list_folder(std::string_view path, const abort_signal& abort,
                 const std::function<void(const folder_item&)>& on_item) {
  WIN32_FIND_DATAW data;
  SetLastError(0);
  unique_find_handle find(FindFirstFileW(to_wide(join_path(path, "*")).c_str(), &data));
  if (!find.is_valid()) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND) return;  // an empty drive root
    sonatrix_io::throw_io_error(error);
  }
  do {
    abort.check();
    folder_item item;
    item.name = from_wide(data.cFileName);
    item.is_directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    item.is_hidden = (data.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) != 0;
    on_item(item);
  } while (FindNextFileW(find.get(), &data));
  const DWORD error = GetLastError();
  if (error != ERROR_NO_MORE_FILES) sonatrix_io::throw_io_error(error);
}

namespace {

class win32_folder_watch final : public folder_watch {
 public:
  explicit win32_folder_watch(std::string_view path)
      : buffer_(change_buffer_bytes / sizeof(DWORD)) {
    SetLastError(0);
    directory_ = unique_handle(CreateFileW(
        to_wide(path).c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr));
    if (!directory_.is_valid()) sonatrix_io::throw_io_error(GetLastError());
    event_ = unique_handle(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!event_.is_valid()) sonatrix_io::throw_io_error(GetLastError());
    issue();
  }

  ~win32_folder_watch() override {
    if (pending_) {
      CancelIo(directory_.get());
      DWORD ignored;
      GetOverlappedResult(directory_.get(), &overlapped_, &ignored, TRUE);
    }
  }

  bool wait_for_change(const abort_signal& abort) override {
    HANDLE handles[2] = {event_.get(),
                         static_cast<HANDLE>(abort.get_abort_event().native_handle())};
    const DWORD count = handles[1] ? 2 : 1;
    const DWORD r = WaitForMultipleObjects(count, handles, FALSE, INFINITE);
    if (r != WAIT_OBJECT_0) return false;
    DWORD bytes = 0;
    pending_ = false;
    if (!GetOverlappedResult(directory_.get(), &overlapped_, &bytes, FALSE))
      sonatrix_io::throw_io_error(GetLastError());
    // Any completion, an overflow (zero bytes) included, means "list again".
    issue();
    return true;
  }

 private:
  void issue() {
    ResetEvent(event_.get());
    overlapped_ = {};
    overlapped_.hEvent = event_.get();
    SetLastError(0);
    if (!ReadDirectoryChangesW(directory_.get(), buffer_.data(), change_buffer_bytes, FALSE,
                               change_filter, nullptr, &overlapped_, nullptr))
      sonatrix_io::throw_io_error(GetLastError());
    pending_ = true;
  }

  unique_handle directory_;
  unique_handle event_;
  OVERLAPPED overlapped_ = {};
  std::vector<DWORD> buffer_;  // DWORD-aligned, as the change records require
  bool pending_ = false;
};

}  // namespace

std::unique_ptr<folder_watch> watch_folder(std::string_view path) {
  return std::make_unique<win32_folder_watch>(path);
}

}  // namespace lumo::browse_platform
