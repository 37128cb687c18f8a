#pragma once
// The platform seam of folder monitoring: change records of a whole directory tree.
// directory_watch_win32.cpp uses overlapped ReadDirectoryChangesW on the root (subtree,
// 64 KiB buffer); directory_watch_posix.cpp uses inotify, which is not recursive, so it
// keeps one watch per directory of the tree. The records are processed by the shared
// code in folder_watcher.cpp.

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/abort.h"
#include "core/exceptions.h"

namespace lumo {

// The actions of a change record, as ReadDirectoryChangesW numbers them.
enum class change_action : uint32_t {
  added = 1,
  removed = 2,
  modified = 3,
  renamed_old_name = 4,
  renamed_new_name = 5,
};

struct change_record {
  change_action action;
  std::string relative_path;  // native separators, relative to the watched root
};

// The folder cannot be monitored here (Win32 errors 1, 50, 56: network shares and
// file systems without change notification); the caller falls back to polling.
class exception_directory_watch_unsupported : public sonatrix_io::exception_io {
 public:
  explicit exception_directory_watch_unsupported(uint32_t code)
      : exception_io("Directory monitoring not supported"), code_(code) {}
  uint32_t code() const { return code_; }

 private:
  uint32_t code_;
};

enum class watch_wait_result { changes, timeout, aborted };

class directory_watch {
 public:
  virtual ~directory_watch() = default;

  // Opens the root directory and starts the first request (the 0x11F filter: names,
  // attributes, size, last write, security). Throws the I/O error of the failure, or
  // exception_directory_watch_unsupported.
  static std::unique_ptr<directory_watch> open(const std::string& native_root);

  // Waits up to timeout for the request to complete or the abort signal.
  virtual watch_wait_result wait(const abort_signal& abort, std::chrono::milliseconds timeout) = 0;
  // After wait returned changes: the records in order. false means the system's buffer
  // overflowed and changes were lost (the caller rescans).
  virtual bool take_records(std::vector<change_record>& out) = 0;
  // Starts the next request.
  virtual void restart() = 0;
  // Throws when the root no longer refers to an existing directory.
  virtual void check_root() = 0;
};

}  // namespace lumo
