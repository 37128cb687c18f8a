#include "i18n/language_loader.h"

namespace lumo {

// Other builds have no interface language setting of Windows' kind; they speak English.
uint16_t user_ui_language() {
  return 0x0409;
}

}  // namespace lumo
