#include <windows.h>

#include "app/command_line_processing.h"
#include "core/unicode.h"

namespace lumo {

std::string resolve_against(std::string_view base, std::string_view arg) {
  std::string joined;
  const bool drive_absolute = arg.size() >= 3 && arg[1] == ':' && (arg[2] == '\\' || arg[2] == '/');
  const bool unc = arg.starts_with("\\\\") || arg.starts_with("//");
  if (drive_absolute || unc) {
    joined = arg;
  } else if (!arg.empty() && (arg[0] == '\\' || arg[0] == '/')) {
    // Rooted but without a drive: the base folder's drive.
    joined = base.size() >= 2 && base[1] == ':' ? std::string(base.substr(0, 2)) : std::string();
    joined += arg;
  } else {
    joined = base;
    if (!joined.empty() && joined.back() != '\\' && joined.back() != '/') joined += '\\';
    joined += arg;
  }
  // Normalises ".", ".." and separators; wildcards pass through untouched.
  std::wstring wide = to_wide(joined);
  DWORD size = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (size == 0) return joined;
  std::wstring full(size, L'\0');
  size = GetFullPathNameW(wide.c_str(), size, full.data(), nullptr);
  full.resize(size);
  return from_wide(full);
}

}  // namespace lumo
