#pragma once
// MD5 through the platform's cryptographic service (CryptoAPI on Windows, libcrypto
// natively). Used for integrity values, never for security.

#include <array>
#include <cstdint>
#include <memory>
#include <span>

namespace lumo {

using md5_digest = std::array<uint8_t, 16>;

// Incremental MD5: feed any number of blocks, then take the digest once.
// Throws kel::exception_win32 (Windows) or kel::exception when the service fails.
class md5_hasher {
 public:
  md5_hasher();
  ~md5_hasher();
  md5_hasher(const md5_hasher&) = delete;
  md5_hasher& operator=(const md5_hasher&) = delete;

  void update(std::span<const uint8_t> data);
  // The digest of everything fed so far; the hasher is finished afterwards.
  md5_digest finish();

 private:
  struct state;
  std::unique_ptr<state> state_;
};

// MD5 of one block.
md5_digest md5(std::span<const uint8_t> data);

}  // namespace lumo
