#include "library/library_platform.h"

#include <windows.h>

#include <knownfolders.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <optional>

#include "core/unicode.h"
#include "library/library_settings.h"

#include <stdexcept>

namespace lumo {

namespace {

template <class T>
struct com_release {
  T* p = nullptr;
  ~com_release() {
    if (p) p->Release();
  }
};

// nullopt when the library cannot be opened (Wine has no Shell Library object).
std::optional<std::vector<std::string>> music_library_folders() {
  std::vector<std::string> out;
  com_release<IShellLibrary> library;
  if (FAILED(CoCreateInstance(CLSID_ShellLibrary, nullptr, CLSCTX_INPROC_SERVER,
                              IID_PPV_ARGS(&library.p))))
    return std::nullopt;
  com_release<IShellItem> known;
  if (FAILED(SHGetKnownFolderItem(FOLDERID_MusicLibrary, KF_FLAG_DEFAULT, nullptr,
                                  IID_PPV_ARGS(&known.p))))
    return std::nullopt;
  if (FAILED(library.p->LoadLibraryFromItem(known.p, STGM_READ))) return std::nullopt;
  com_release<IShellItemArray> folders;
  if (FAILED(library.p->GetFolders(LFF_FORCEFILESYSTEM, IID_PPV_ARGS(&folders.p))))
    return std::nullopt;
  DWORD count = 0;
  folders.p->GetCount(&count);
  for (DWORD i = 0; i < count; ++i) {
    com_release<IShellItem> item;
    if (FAILED(folders.p->GetItemAt(i, &item.p))) continue;
    wchar_t* path = nullptr;
    if (SUCCEEDED(item.p->GetDisplayName(SIGDN_FILESYSPATH, &path)) && path) {
      out.push_back(from_wide(path));
      CoTaskMemFree(path);
    }
  }
  return out;
}

}  // namespace

std::vector<std::string> windows_music_folders() {
  if (std::optional<std::vector<std::string>> folders = music_library_folders()) return *folders;
  wchar_t* path = nullptr;
  std::vector<std::string> out;
  if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Music, 0, nullptr, &path)) && path)
    out.push_back(from_wide(path));
  if (path) CoTaskMemFree(path);
  return out;
}

}  // namespace lumo
