#include "ui/key_text.h"

#include <array>
#include <string_view>

namespace lumo {

namespace {

struct fixed_name {
  uint8_t key;
  std::string_view name;
};

// Keys whose scan-code name is missing or ambiguous (the extended navigation keys share
// scan codes with the number pad, and media keys have no scan-code name at all).
constexpr std::array<fixed_name, 24> g_fixed{{
    {0x13, "Pause"},
    {0x21, "Page Up"},
    {0x22, "Page Down"},
    {0x23, "End"},
    {0x24, "Home"},
    {0x25, "Left"},
    {0x26, "Up"},
    {0x27, "Right"},
    {0x28, "Down"},
    {0x2d, "Insert"},
    {0x2e, "Delete"},
    {0x90, "Num Lock"},
    {0xaa, "Search (MM)"},
    {0xab, "Favourites (MM)"},
    {0xac, "Home (MM)"},
    {0xad, "Mute (MM)"},
    {0xae, "Volume Down (MM)"},
    {0xaf, "Volume Up (MM)"},
    {0xb0, "Next (MM)"},
    {0xb1, "Previous (MM)"},
    {0xb2, "Stop (MM)"},
    {0xb3, "Play / Pause (MM)"},
    {0xb4, "Email (MM)"},
    {0xb5, "Media (MM)"},
}};

bool key_is_modifier(uint8_t key, uint32_t flag) {
  switch (flag) {
    case key_shift: return key == 0x10 || key == 0xa0 || key == 0xa1;
    case key_ctrl: return key == 0x11 || key == 0xa2 || key == 0xa3;
    case key_alt: return key == 0x12 || key == 0xa4 || key == 0xa5;
    case key_win: return key == 0x5b || key == 0x5c;
  }
  return false;
}

}  // namespace

std::string key_combination_text(uint32_t code, const key_name_lookup& lookup) {
  const uint8_t key = uint8_t(code & 0xff);
  std::string text;
  constexpr std::array<std::pair<uint32_t, std::string_view>, 4> modifiers{
      {{key_shift, "Shift"}, {key_ctrl, "Ctrl"}, {key_alt, "Alt"}, {key_win, "Win"}}};
  for (const auto& [flag, name] : modifiers) {
    if ((code & flag) && !key_is_modifier(key, flag)) {
      text += name;
      text += '+';
    }
  }
  for (const fixed_name& f : g_fixed) {
    if (f.key == key) return text += f.name;
  }
  std::optional<std::string> name = lookup ? lookup(key) : std::nullopt;
  return text += name && !name->empty() ? *name : std::string("(unknown)");
}

std::string key_combination_text(uint32_t code) {
  return key_combination_text(code, system_key_name);
}

}  // namespace lumo
