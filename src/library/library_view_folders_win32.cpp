#include "library/library_view_folders.h"

#include <shlobj.h>
#include <windows.h>

#include "core/unicode.h"

namespace lumo {

namespace {
std::string folder_path(int csidl) {
  wchar_t path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return {};
  return from_wide(path);
}
}  // namespace

known_music_folders get_known_music_folders() {
  return {folder_path(CSIDL_MYMUSIC), folder_path(CSIDL_COMMON_MUSIC)};
}

}  // namespace lumo
