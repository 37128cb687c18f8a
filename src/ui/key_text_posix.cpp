#include "ui/key_text.h"

namespace lumo {

// No keyboard layout to ask: letters, digits and the modifiers by their usual names.
std::optional<std::string> system_key_name(uint8_t virtual_key) {
  if ((virtual_key >= '0' && virtual_key <= '9') || (virtual_key >= 'A' && virtual_key <= 'Z'))
    return std::string(1, char(virtual_key));
  switch (virtual_key) {
    case 0x10: return "Shift";
    case 0x11: return "Ctrl";
    case 0x12: return "Alt";
  }
  return std::nullopt;
}

}  // namespace lumo
