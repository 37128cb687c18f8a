#pragma once
// The "\\?\" form that lets Win32 file functions take paths longer than MAX_PATH. Plain
// string work on UTF-8, so it is tested in both builds; only the Win32 backend uses it.

#include <string>
#include <string_view>

namespace lumo {

// "C:\a" -> "\\?\C:\a", "\\server\share" -> "\\?\UNC\server\share". Paths that start
// with "..\" or contain "\..\" pass unchanged: the system does not resolve ".." after
// the prefix, so they keep the normal length limit instead. So does a path that already
// has the prefix.
std::string to_long_path(std::string_view path);

// The reverse, for paths reported back to the user.
std::string from_long_path(std::string_view path);

}  // namespace lumo
