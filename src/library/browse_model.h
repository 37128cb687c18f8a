#pragma once
// Browsing by location: the "my computer" root (drives), the music folders root (the
// library's folders under their display names), and the listing of one folder into
// subfolders and playable files, ordered and merged by the logical comparison.

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/abort.h"
#include "library/library_view_folders.h"
#include "library/logical_compare.h"
#include "library/track_handle.h"

namespace lumo {

enum class browse_entry_kind { drive, library_folder, folder, file };

struct browse_entry {
  browse_entry_kind kind = browse_entry_kind::folder;
  std::string name;         // what the list shows
  std::string path;         // native path of the folder or file
  track_handle_ptr handle;  // files: the track's handle, the same one the library holds
};

// Drives as the system lists them, each shown as its root plus " [" label "]" when the
// volume has a label.
std::vector<browse_entry> computer_root();
// The same from a given drive list (tests).
std::vector<browse_entry> computer_root_from(
    const std::vector<std::pair<std::string, std::string>>& drives);

// The library's folders (effective folder list, in order) under their display names.
std::vector<browse_entry> music_folders_root(const std::vector<std::string>& folders,
                                             const known_music_folders& known);

struct folder_listing {
  std::string path;
  // Keyed by name under the logical comparison: names it finds equal are one entry
  // (the first the system listed), and the maps' order is the list order.
  std::map<std::string, browse_entry, logical_less> folders;
  std::map<std::string, browse_entry, logical_less> files;
  std::optional<std::string> picture;  // path of the folder's picture, when it has one
};

// Whether some input accepts the file (asked in turn by path and extension).
bool input_accepts_path(std::string_view path);

// Lists a folder: names beginning with "." and hidden entries are skipped, folders
// become folder entries, files are listed when `accepts` says so (default: the inputs),
// each with the handle of its first track ("file://" + path, subsong 0).
// The picture is the first present of "front cover.jpg", "front.jpg", "cover.jpg",
// "folder.jpg", letter case ignored, whether or not it is listed.
folder_listing list_folder(std::string_view path, const abort_signal& abort,
                           const std::function<bool(std::string_view path)>& accepts = nullptr);

}  // namespace lumo
