#include "app/command_line_processing.h"
#include "fs/native_fs.h"

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
  try {
    return native_fs::canonical_path(joined);
  } catch (const std::exception&) {
    return joined;
  }
}

}  // namespace lumo
