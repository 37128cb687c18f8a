#include <windows.h>

#include <wincrypt.h>

#include "core/exceptions.h"
#include "ui/random_order.h"

namespace lumo {

uint32_t system_random32() {
  // One provider for the whole run: acquiring a context costs more than the draw.
  static HCRYPTPROV provider = [] {
    HCRYPTPROV p = 0;
    if (!CryptAcquireContextW(&p, nullptr, nullptr, PROV_RSA_FULL,
                              CRYPT_VERIFYCONTEXT | CRYPT_SILENT))
      throw kel::exception_win32(GetLastError());
    return p;
  }();
  uint32_t value = 0;
  if (!CryptGenRandom(provider, sizeof value, reinterpret_cast<BYTE*>(&value)))
    throw kel::exception_win32(GetLastError());
  return value;
}

}  // namespace lumo
