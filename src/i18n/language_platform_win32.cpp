#include <windows.h>

#include "i18n/language_loader.h"

namespace lumo {

uint16_t user_ui_language() {
  return GetUserDefaultUILanguage();
}

}  // namespace lumo
