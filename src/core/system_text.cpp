#include "core/system_text.h"

namespace lumo {

std::string system_error_text(uint32_t code) {
  switch (code) {
    case 0: return "Undefined error";
    case 129: return "Application cannot be run in Win32 mode.";
    case 182: return "Invalid ordinal.";
    case 188: return "Invalid code segment.";
    case 189: return "Invalid stack segment.";
    case 190: return "Invalid module type.";
    case 191: return "Invalid executable signature.";
    case 193: return "Not a valid Win32 application.";
    case 216: return "Machine type mismatch.";
    case 217:
    case 218: return "Unable to modify a signed binary.";
  }
  std::string text = platform_error_message(code);
  if (text.empty()) return "Unknown error code (" + std::to_string(code) + ")";
  return text;
}

}  // namespace lumo
