#include <windows.h>

#include "core/unicode.h"
#include "ui/key_text.h"

namespace lumo {

std::optional<std::string> system_key_name(uint8_t virtual_key) {
  const UINT scan = MapVirtualKeyW(virtual_key, MAPVK_VK_TO_VSC);
  if (!scan) return std::nullopt;
  wchar_t name[64];
  const int length = GetKeyNameTextW(LONG(scan << 16), name, 64);
  if (length <= 0) return std::nullopt;
  return from_wide(std::wstring_view(name, size_t(length)));
}

}  // namespace lumo
