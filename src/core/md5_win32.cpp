#include "core/md5.h"

#include <algorithm>

#include <windows.h>
// wincrypt.h needs the types of windows.h.
#include <wincrypt.h>

#include "core/exceptions.h"

namespace lumo {

struct md5_hasher::state {
  HCRYPTPROV provider = 0;
  HCRYPTHASH hash = 0;
  ~state() {
    if (hash) CryptDestroyHash(hash);
    if (provider) CryptReleaseContext(provider, 0);
  }
};

md5_hasher::md5_hasher() : state_(std::make_unique<state>()) {
  // CRYPT_VERIFYCONTEXT: no key container is needed just to hash.
  if (!CryptAcquireContextW(&state_->provider, nullptr, nullptr, PROV_RSA_FULL,
                            CRYPT_VERIFYCONTEXT | CRYPT_SILENT) ||
      !CryptCreateHash(state_->provider, CALG_MD5, 0, 0, &state_->hash))
    throw kel::exception_win32(GetLastError());
}

md5_hasher::~md5_hasher() = default;

void md5_hasher::update(std::span<const uint8_t> data) {
  // CryptHashData takes a DWORD length: feed very large blocks in pieces.
  while (!data.empty()) {
    const auto piece = static_cast<DWORD>(std::min<size_t>(data.size(), 1u << 30));
    if (!CryptHashData(state_->hash, data.data(), piece, 0))
      throw kel::exception_win32(GetLastError());
    data = data.subspan(piece);
  }
}

md5_digest md5_hasher::finish() {
  md5_digest digest{};
  DWORD size = static_cast<DWORD>(digest.size());
  if (!CryptGetHashParam(state_->hash, HP_HASHVAL, digest.data(), &size, 0))
    throw kel::exception_win32(GetLastError());
  return digest;
}

}  // namespace lumo
