#include "app/command_line.h"

#include <charconv>
#include <cstdio>

#include "core/case_map.h"
#include "core/unicode.h"
#include "meta/crc32.h"

namespace lumo {

std::vector<std::string> split_command_line(std::string_view text) {
  std::vector<std::string> args;
  std::string current;
  bool has_argument = false;  // a quoted empty run still makes an argument
  bool is_quoted = false;
  for (char c : text) {
    if (c == '"') {
      is_quoted = !is_quoted;
      has_argument = true;
    } else if (c == ' ' && !is_quoted) {
      if (has_argument) args.push_back(std::move(current));
      current.clear();
      has_argument = false;
    } else {
      current += c;
      has_argument = true;
    }
  }
  if (has_argument) args.push_back(std::move(current));
  return args;
}

bool has_startup_switch(const std::vector<std::string>& args, std::string_view name) {
  for (size_t i = 1; i < args.size(); ++i) {
    std::string_view a = args[i];
    if (a.size() == name.size() + 1 && a.front() == '/' && a.substr(1) == name) return true;
  }
  return false;
}

std::optional<uint32_t> startup_language_id(const std::vector<std::string>& args) {
  for (size_t i = 1; i + 1 < args.size(); ++i) {
    if (args[i] != "/lang") continue;
    std::string_view v = args[i + 1];
    int base = 10;
    if (v.size() > 2 && v[0] == '0' && (v[1] == 'x' || v[1] == 'X')) {
      v.remove_prefix(2);
      base = 16;
    }
    uint32_t id = 0;
    auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), id, base);
    // A language id is 16 bits: anything wider is not one, rather than another one.
    if (ec != std::errc() || end != v.data() + v.size() || id > 0xFFFF) return std::nullopt;
    return id;
  }
  return std::nullopt;
}

uint32_t instance_key(std::string_view profile_url) {
  std::string lowered;
  lowered.reserve(profile_url.size());
  size_t pos = 0;
  while (pos < profile_url.size()) {
    char32_t c = utf8_next(profile_url, pos);
    if (c < 0x80)
      c = static_cast<unsigned char>(ascii_to_lower(static_cast<char>(c)));
    else if (c < 0x10000)
      c = char_to_lower(c);
    utf8_append(lowered, c);
  }
  return crc32_ieee(lowered);
}

std::string instance_mutex_name(uint32_t key) {
  char buf[80];
  std::snprintf(buf, sizeof buf, "{635F3E50-DF53-448A-B03F-ABFAB61F63E2}-Lumo-instance-%08X",
                static_cast<unsigned>(key));
  return buf;
}

builtin_switch_answer match_builtin_switch(std::string_view token) {
  struct entry {
    std::string_view name;
    main_command command;
  };
  static constexpr entry commands[] = {
      {"/play", main_command::play},        {"/pause", main_command::pause},
      {"/prev", main_command::previous},    {"/next", main_command::next},
      {"/stop", main_command::stop},        {"/exit", main_command::exit},
      {"/quit", main_command::exit},        {"/show", main_command::show_window},
      {"/hide", main_command::hide_window},
  };
  const std::string lowered = utf8_to_lower(token);
  if (lowered == "/lang") return {2, std::nullopt};
  for (const auto& e : commands)
    if (lowered == e.name) return {1, e.command};
  return {};
}

}  // namespace lumo
