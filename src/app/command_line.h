#pragma once
// The command line as start-up and the instance window see it: splitting, the start-up
// switches, the instance key of a profile folder and the built-in switches.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumo {

// Arguments are separated by runs of spaces; a double quote opens a run that ends at the
// next double quote, spaces inside it belong to the argument, and the quotes themselves
// are dropped ("" is an empty argument). Argument 0 is the program path.
std::vector<std::string> split_command_line(std::string_view text);

// True when an argument after the program path is exactly "/" + name. Start-up switches
// ("quiet", "lang", "hide") are matched this way, case-sensitively.
bool has_startup_switch(const std::vector<std::string>& args, std::string_view name);

// The language identifier after "/lang": "0x" + hexadecimal, else decimal. nullopt when
// "/lang" is absent, last, or followed by something that is not a number.
std::optional<uint32_t> startup_language_id(const std::vector<std::string>& args);

// The per-profile instance key: CRC-32 of the profile folder URL after lower-casing
// (ASCII directly, other characters below U+10000 by the platform's lower case, higher
// ones unchanged), over the UTF-8 bytes.
uint32_t instance_key(std::string_view profile_url);

// The name of the per-profile instance mutex for key.
std::string instance_mutex_name(uint32_t key);

enum class main_command {
  play,
  pause,
  previous,
  next,
  stop,
  exit,
  show_window,
  hide_window,
  fast_forward,
  rewind,
};

// How the built-in switch handler answers a switch: 0 = not mine, 1 = handled,
// 2 = handled and the file arguments that follow are mine. Matching ignores case.
struct builtin_switch_answer {
  int answer = 0;
  std::optional<main_command> command;
};
builtin_switch_answer match_builtin_switch(std::string_view token);

}  // namespace lumo
