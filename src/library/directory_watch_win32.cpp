#include "library/directory_watch.h"

#include <windows.h>

#include "core/handle_win32.h"
#include "core/unicode.h"
#include "fs/long_path.h"

namespace lumo {

namespace {

constexpr DWORD k_filter = 0x11F;  // file name, dir name, attributes, size, last write, security
constexpr DWORD k_buffer_bytes = 65536;

[[noreturn]] void fail(DWORD code) {
  if (code == ERROR_INVALID_FUNCTION || code == ERROR_NOT_SUPPORTED || code == ERROR_TOO_MANY_CMDS)
    throw exception_directory_watch_unsupported(code);
  sonatrix_io::throw_io_error(code);
}

class change_watch final : public directory_watch {
 public:
  explicit change_watch(const std::string& root) {
    SetLastError(0);
    dir_ = unique_handle(CreateFileW(to_wide(to_long_path(root)).c_str(), FILE_LIST_DIRECTORY,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING,
                                     FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr));
    if (!dir_.is_valid()) fail(GetLastError());
    event_ = unique_handle(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!event_.is_valid()) fail(GetLastError());
    // DWORD-aligned, as ReadDirectoryChangesW requires.
    buffer_.reset(new DWORD[k_buffer_bytes / sizeof(DWORD)]);
    restart();
  }

  ~change_watch() override { cancel(); }

  watch_wait_result wait(const abort_signal& abort, std::chrono::milliseconds timeout) override {
    HANDLE handles[2] = {event_.get(),
                         static_cast<HANDLE>(abort.get_abort_event().native_handle())};
    DWORD got = WaitForMultipleObjects(handles[1] ? 2 : 1, handles, FALSE,
                                       static_cast<DWORD>(timeout.count()));
    if (abort.is_aborting()) return watch_wait_result::aborted;
    if (got == WAIT_OBJECT_0) return watch_wait_result::changes;
    if (got == WAIT_FAILED) fail(GetLastError());
    return watch_wait_result::timeout;
  }

  bool take_records(std::vector<change_record>& out) override {
    DWORD bytes = 0;
    SetLastError(0);
    BOOL ok = GetOverlappedResult(dir_.get(), &overlapped_, &bytes, FALSE);
    pending_ = false;
    if (!ok) {
      DWORD error = GetLastError();
      if (error == ERROR_NOTIFY_ENUM_DIR) return false;
      fail(error);
    }
    // Zero bytes: more changes than the buffer holds; the caller rescans.
    if (bytes == 0) return false;
    const auto* base = reinterpret_cast<const char*>(buffer_.get());
    for (DWORD at = 0;;) {
      auto* info = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(base + at);
      std::wstring name(info->FileName, info->FileNameLength / sizeof(WCHAR));
      out.push_back({static_cast<change_action>(info->Action), from_wide(name)});
      if (info->NextEntryOffset == 0) break;
      at += info->NextEntryOffset;
      if (at >= bytes) break;
    }
    return true;
  }

  void restart() override {
    ResetEvent(event_.get());
    overlapped_ = OVERLAPPED{};
    overlapped_.hEvent = event_.get();
    SetLastError(0);
    if (!ReadDirectoryChangesW(dir_.get(), buffer_.get(), k_buffer_bytes, TRUE, k_filter, nullptr,
                               &overlapped_, nullptr))
      fail(GetLastError());
    pending_ = true;
  }

  void check_root() override {
    BY_HANDLE_FILE_INFORMATION info;
    SetLastError(0);
    if (!GetFileInformationByHandle(dir_.get(), &info)) fail(GetLastError());
    if (!(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) fail(ERROR_PATH_NOT_FOUND);
  }

 private:
  void cancel() {
    if (!pending_) return;
    CancelIo(dir_.get());
    // The system writes into the buffer until the request has really ended.
    DWORD bytes = 0;
    GetOverlappedResult(dir_.get(), &overlapped_, &bytes, TRUE);
    pending_ = false;
  }

  unique_handle dir_;
  unique_handle event_;
  std::unique_ptr<DWORD[]> buffer_;
  OVERLAPPED overlapped_{};
  bool pending_ = false;
};

}  // namespace

std::unique_ptr<directory_watch> directory_watch::open(const std::string& native_root) {
  return std::make_unique<change_watch>(native_root);
}

}  // namespace lumo
