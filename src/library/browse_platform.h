#pragma once
// The platform seam of location browsing: drives with their labels, one folder's
// entries, and a watch that reports changes in one folder (not below it). Win32:
// GetLogicalDriveStringsW, GetVolumeInformationW, FindFirstFileW, ReadDirectoryChangesW;
// POSIX: the root folder, readdir, inotify. Paths are native (no "file://"). Failures
// raise the mapped I/O exception.

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/abort.h"

namespace lumo::browse_platform {

struct drive {
  std::string root;   // "C:\" (the system's drive string)
  std::string label;  // empty when the volume has none or it cannot be read
};
std::vector<drive> list_drives();

struct folder_item {
  std::string name;
  bool is_directory = false;
  bool is_hidden = false;  // the hidden attribute (POSIX: never; dot names are skipped anyway)
};
// Every entry of the folder, "." and ".." included where the platform reports them.
void list_folder(std::string_view path, const abort_signal& abort,
                 const std::function<void(const folder_item&)>& on_item);

// The path with one separator appended unless it ends in one.
std::string join_path(std::string_view folder, std::string_view name);

class folder_watch {
 public:
  virtual ~folder_watch() = default;
  // Blocks until something in the folder changes (names of files or folders,
  // attributes): true; or until abort is set: false.
  virtual bool wait_for_change(const abort_signal& abort) = 0;
};
// Starts watching at once, so nothing that happens after this returns is missed.
std::unique_ptr<folder_watch> watch_folder(std::string_view path);

}  // namespace lumo::browse_platform
