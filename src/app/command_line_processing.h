#pragma once
// Acting on a command line: switches go to the switch handlers, paths become locations
// for the current handler or items to open. Used for this instance's own command line
// and for those forwarded by later launches.

#include <string>
#include <string_view>
#include <vector>

namespace lumo {

struct command_line_outcome {
  bool no_path_argument = true;
  bool bare = false;               // nothing beyond the program path
  std::vector<std::string> items;  // canonical URLs no handler took
};

// The switches and paths of text, resolved against base_folder (a native path). Needs
// the service registry.
command_line_outcome run_command_line(std::string_view text, std::string_view base_folder);

// run_command_line, then hands the items to the user interface, which shows and
// activates its window for a bare launch (unless suppress_activation) or when items came.
// Does nothing before the registry is ready. True when no path argument was seen.
bool process_command_line(std::string_view text, std::string_view base_folder,
                          bool suppress_activation = false);

// The canonical URLs one path argument stands for: a URL unchanged, a directory's files
// (recursively), the entries matching a "*"/"?" pattern, or the path itself.
std::vector<std::string> expand_path_argument(std::string_view argument,
                                              std::string_view base_folder);

// "*" any run of characters, "?" one character; letters match regardless of case.
bool wildcard_match(std::string_view pattern, std::string_view name);

// arg made absolute against base (platform rules), lexically normalised. Platform seam.
std::string resolve_against(std::string_view base, std::string_view arg);

}  // namespace lumo
