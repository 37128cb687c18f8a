#pragma once
// MD5 through the platform's cryptographic service (CryptoAPI on Windows, OpenSSL's
// libcrypto natively). For names and integrity values, never for security.

#include <array>
#include <cstdint>
#include <memory>
#include <span>

namespace lumo {

using md5_digest = std::array<uint8_t, 16>;

// Feed any number of blocks, then take the digest once. Throws kel::exception_win32 or
// kel::exception when the service fails.
class md5_hasher {
 public:
  md5_hasher();
  ~md5_hasher();
  md5_hasher(const md5_hasher&) = delete;
  md5_hasher& operator=(const md5_hasher&) = delete;

  void update(std::span<const uint8_t> data);
  md5_digest finish();

 private:
  struct state;
  std::unique_ptr<state> state_;
};

}  // namespace lumo
