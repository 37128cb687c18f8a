#include "i18n/builtin_documents.h"

namespace lumo {

int builtin_resource_for_language(uint16_t language_id) {
  // LANGID: primary language in the low 10 bits, sub-language above.
  const unsigned primary = language_id & 0x3FFu;
  const unsigned sublanguage = language_id >> 10;
  switch (primary) {
    case 0x15: return 291;                           // Polish
    case 0x07: return 296;                           // German
    case 0x19: return 298;                           // Russian
    case 0x0B: return 299;                           // Finnish
    case 0x04: return sublanguage == 2 ? 310 : 301;  // Chinese: SUBLANG_CHINESE_SIMPLIFIED
    case 0x0D: return 302;                           // Hebrew
    case 0x11: return 303;                           // Japanese
    case 0x1D: return 307;                           // Swedish
    case 0x0C: return 308;                           // French
    case 0x10: return 309;                           // Italian
    default: return english_resource;
  }
}

}  // namespace lumo
