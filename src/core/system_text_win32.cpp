#include <windows.h>

#include "core/system_text.h"
#include "core/unicode.h"

namespace lumo {

std::string platform_error_message(uint32_t code) {
  wchar_t buffer[512];
  DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                           code, 0, buffer, 512, nullptr);
  while (n > 0 && (buffer[n - 1] == L'\r' || buffer[n - 1] == L'\n')) --n;
  return from_wide(std::wstring_view(buffer, n));
}

std::string hresult_text(int32_t hresult) {
  return system_error_text(static_cast<uint32_t>(hresult));
}

}  // namespace lumo
