#include "core/md5.h"

#include <windows.h>
#include <wincrypt.h>

#include "core/exceptions.h"

namespace lumo {

namespace {

[[noreturn]] void throw_last_error() { throw kel::exception_win32(GetLastError()); }

}  // namespace

struct md5_hasher::state {
  HCRYPTPROV provider = 0;
  HCRYPTHASH hash = 0;
  ~state() {
    if (hash) CryptDestroyHash(hash);
    if (provider) CryptReleaseContext(provider, 0);
  }
};

md5_hasher::md5_hasher() : state_(std::make_unique<state>()) {
  // A verify context needs no key container, and CRYPT_SILENT keeps the provider from
  // ever showing UI during start-up.
  if (!CryptAcquireContextW(&state_->provider, nullptr, nullptr, PROV_RSA_FULL,
                            CRYPT_VERIFYCONTEXT | CRYPT_SILENT))
    throw_last_error();
  if (!CryptCreateHash(state_->provider, CALG_MD5, 0, 0, &state_->hash)) throw_last_error();
}

md5_hasher::~md5_hasher() = default;

void md5_hasher::update(std::span<const uint8_t> data) {
  // CryptHashData takes a DWORD count: feed very large blocks in pieces.
  constexpr size_t max_chunk_bytes = 1u << 30;
  while (!data.empty()) {
    size_t n = data.size() < max_chunk_bytes ? data.size() : max_chunk_bytes;
    if (!CryptHashData(state_->hash, data.data(), static_cast<DWORD>(n), 0)) throw_last_error();
    data = data.subspan(n);
  }
}

md5_digest md5_hasher::finish() {
  md5_digest digest{};
  DWORD size = static_cast<DWORD>(digest.size());
  if (!CryptGetHashParam(state_->hash, HP_HASHVAL, digest.data(), &size, 0)) throw_last_error();
  return digest;
}

}  // namespace lumo
