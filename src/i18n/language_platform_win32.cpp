#include <windows.h>

#include "i18n/language_loader.h"

namespace lumo {

uint16_t user_ui_language() {
  return GetUserDefaultUILanguage();
}

void show_broken_language_file_message() {
  // No language is loaded yet, so this one text is fixed.
  MessageBoxW(nullptr, L"Broken or incomplete language file.", nullptr, MB_ICONERROR);
}

}  // namespace lumo
