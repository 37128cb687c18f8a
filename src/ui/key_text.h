#pragma once
// Shortcut texts for menus and dialogs: "Shift+Ctrl+C", "Play / Pause (MM)".

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace lumo {

// Modifier flags above the virtual-key byte of a key code.
inline constexpr uint32_t key_shift = 0x100;
inline constexpr uint32_t key_ctrl = 0x200;
inline constexpr uint32_t key_alt = 0x400;
inline constexpr uint32_t key_win = 0x800;

// The system's name of a virtual key (by its scan code), or none.
using key_name_lookup = std::function<std::optional<std::string>(uint8_t virtual_key)>;

// Modifiers in the order Shift, Ctrl, Alt, Win, joined with "+", then the key's name. A
// modifier is left out when the key itself is that modifier. Keys without a fixed name
// are asked of the lookup; "(unknown)" when it has none.
std::string key_combination_text(uint32_t code, const key_name_lookup& lookup);

// The same with the platform's key names.
std::string key_combination_text(uint32_t code);

// The platform seam behind the second form.
std::optional<std::string> system_key_name(uint8_t virtual_key);

}  // namespace lumo
