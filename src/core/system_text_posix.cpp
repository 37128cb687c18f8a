#include <cstdio>

#include "core/system_text.h"

namespace lumo {

// There is no system table of Win32 texts here; callers fall back to the generic text.
std::string platform_error_message(uint32_t) {
  return {};
}

std::string hresult_text(int32_t hresult) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "HRESULT 0x%08X", static_cast<unsigned>(hresult));
  return buf;
}

}  // namespace lumo
