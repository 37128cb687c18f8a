#include "library/logical_compare_system.h"

#include <shlwapi.h>
#include <windows.h>

#include <string>

#include "core/unicode.h"

namespace lumo {

int system_logical_compare(std::string_view a, std::string_view b) {
  const std::wstring wa = to_wide(a), wb = to_wide(b);
  const int r = StrCmpLogicalW(wa.c_str(), wb.c_str());
  return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

}  // namespace lumo
