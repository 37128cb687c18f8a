#include "library/library_settings.h"

#include "config/config_vars.h"
#include "core/byte_cursor.h"

namespace lumo {

namespace {

config_blob g_additional_folders{
    {0x5AA02BF0u, 0x431E, 0x4460, {0xB1, 0xF0, 0x9E, 0xE7, 0x4D, 0x02, 0x75, 0x4F}}};
config_bool g_include_windows_folders{
    {0xF44473BBu, 0x9025, 0x4204, {0xAF, 0xB5, 0x8F, 0x46, 0xC2, 0x10, 0x22, 0x98}}, true};
config_bool g_monitor_folders{
    {0xA0AA0DBFu, 0xC6D0, 0x4DB7, {0xBC, 0x23, 0xE2, 0xAF, 0x96, 0xBD, 0xBE, 0xC4}}, true};

constexpr std::string_view k_file_prefix = "file://";

}  // namespace

std::vector<uint8_t> encode_folder_list(const std::vector<std::string>& folders) {
  std::string out;
  put_le(out, folders.size(), 4);
  for (const std::string& f : folders) {
    put_le(out, f.size(), 4);
    out += f;
  }
  return {out.begin(), out.end()};
}

std::vector<std::string> decode_folder_list(const std::vector<uint8_t>& bytes) {
  std::vector<std::string> out;
  // A profile that never stored the list has none: not a damaged setting.
  if (bytes.empty()) return out;
  byte_cursor c(bytes, "library folder list");
  try {
    uint32_t count = c.u32le();
    for (uint32_t i = 0; i < count; ++i) {
      uint32_t size = c.u32le();
      out.emplace_back(c.fixed_string(size));
    }
  } catch (const std::exception&) {
    // A damaged setting keeps the folders it still names.
  }
  return out;
}

std::vector<std::string> library_additional_folders() {
  return decode_folder_list(g_additional_folders.get());
}
void set_library_additional_folders(const std::vector<std::string>& folders) {
  g_additional_folders.set(encode_folder_list(folders));
}
bool library_include_windows_folders() {
  return g_include_windows_folders.get();
}
void set_library_include_windows_folders(bool on) {
  g_include_windows_folders.set(on);
}
bool library_monitor_folders() {
  return g_monitor_folders.get();
}
void set_library_monitor_folders(bool on) {
  g_monitor_folders.set(on);
}

std::vector<std::string> make_effective_folder_list(const folder_list_inputs& in,
                                                    std::vector<std::string> (*windows_folders)()) {
  std::vector<std::string> out = in.additional;
  if (in.portable_library) {
    out.push_back(".");
  } else if (in.include_windows_folders && windows_folders) {
    for (std::string path : windows_folders()) {
      if (path.starts_with(k_file_prefix)) path.erase(0, k_file_prefix.size());
      out.push_back(std::move(path));
    }
  }
  return out;
}

std::string folder_root_location(std::string_view path, std::string_view application_folder) {
  std::string p(path == "." ? application_folder : path);
  if (p.size() > 1 && (p.back() == '\\' || p.back() == '/')) {
    char before = p[p.size() - 2];
    if (before != ':' && before != '\\') p.pop_back();
  }
  return std::string(k_file_prefix) + p;
}

}  // namespace lumo
