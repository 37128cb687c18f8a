#pragma once
// The library's three settings and the folder list they make. The settings are
// configuration variables (config.dat); the effective folder list is rebuilt from them
// whenever the library loads or a setting changes.

#include <string>
#include <string_view>
#include <vector>

namespace lumo {

// Main thread for writing; reading is safe anywhere the setting is not being changed.
std::vector<std::string> library_additional_folders();
void set_library_additional_folders(const std::vector<std::string>& folders);
bool library_include_windows_folders();
void set_library_include_windows_folders(bool on);
bool library_monitor_folders();
void set_library_monitor_folders(bool on);

// How the additional-folder list is stored: u32 count, then per folder a u32 byte count
// and the UTF-8 path. Damaged bytes decode as far as they go.
std::vector<uint8_t> encode_folder_list(const std::vector<std::string>& folders);
std::vector<std::string> decode_folder_list(const std::vector<uint8_t>& bytes);

struct folder_list_inputs {
  std::vector<std::string> additional;
  bool portable_library = false;  // the ".locallibrary.opt" marker lies beside the program
  bool include_windows_folders = true;
};

// The ordered folder list: the additional folders, then "." in portable-library mode,
// otherwise (when included) the Windows music library's folders, "file://" removed.
// windows_folders is asked only when needed.
std::vector<std::string> make_effective_folder_list(const folder_list_inputs& in,
                                                    std::vector<std::string> (*windows_folders)());

// "file://" + path, without a trailing separator unless the path is one character long
// or the separator follows ':' or another '\' ("C:\" stays, "C:\Music\" loses it).
// "." stands for application_folder (the program's folder).
std::string folder_root_location(std::string_view path, std::string_view application_folder);

// The folders of the Windows "Music" library, or the Music known folder when the library
// cannot be opened (platform seam; natively none). Main thread (COM).
std::vector<std::string> windows_music_folders();

}  // namespace lumo
