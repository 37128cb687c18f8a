#include "core/md5.h"

#include <openssl/evp.h>

#include "core/exceptions.h"

namespace lumo {

namespace {

[[noreturn]] void throw_crypto_failure() { throw kel::exception("MD5 computation failed"); }

}  // namespace

struct md5_hasher::state {
  EVP_MD_CTX* context = nullptr;
  ~state() { EVP_MD_CTX_free(context); }
};

md5_hasher::md5_hasher() : state_(std::make_unique<state>()) {
  state_->context = EVP_MD_CTX_new();
  if (!state_->context || EVP_DigestInit_ex(state_->context, EVP_md5(), nullptr) != 1)
    throw_crypto_failure();
}

md5_hasher::~md5_hasher() = default;

void md5_hasher::update(std::span<const uint8_t> data) {
  if (!data.empty() && EVP_DigestUpdate(state_->context, data.data(), data.size()) != 1)
    throw_crypto_failure();
}

md5_digest md5_hasher::finish() {
  md5_digest digest{};
  unsigned int size = 0;
  if (EVP_DigestFinal_ex(state_->context, digest.data(), &size) != 1 || size != digest.size())
    throw_crypto_failure();
  return digest;
}

}  // namespace lumo
