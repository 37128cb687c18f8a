#pragma once
// The names under which the music folders are shown: "My music" and "Shared music" for
// the user's and the common music folder, otherwise the folder's last path component,
// made unique with " (2)", " (3)", ... in list order.

#include <string>
#include <string_view>
#include <vector>

namespace lumo {

// The platform's music folders (native paths; empty when the platform has none).
struct known_music_folders {
  std::string user_music;    // CSIDL_MYMUSIC
  std::string common_music;  // CSIDL_COMMON_MUSIC
};

// Read from the system: SHGetFolderPathW on Windows; natively $HOME/Music and nothing.
known_music_folders get_known_music_folders();

// The last path component ("\" and "/" separate them; trailing separators ignored); the
// path itself when it has none (a drive root such as C:\).
std::string last_path_component(std::string_view path);

// One display name per folder of the effective folder list, in the same order.
std::vector<std::string> music_folder_display_names(const std::vector<std::string>& folders,
                                                    const known_music_folders& known);

}  // namespace lumo
