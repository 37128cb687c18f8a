#include "core/md5.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

using namespace lumo;

namespace {

std::string hex(const md5_digest& d) {
  static const char digits[] = "0123456789abcdef";
  std::string s;
  for (uint8_t b : d) {
    s += digits[b >> 4];
    s += digits[b & 15];
  }
  return s;
}

std::span<const uint8_t> bytes(std::string_view s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

}  // namespace

TEST(Md5, MatchesRfc1321TestSuite) {
  struct vector_case {
    std::string_view input;
    std::string_view digest;
  };
  const vector_case cases[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
       "d174ab98d277d9f5a5611c2c9f419d9f"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
  };
  for (const auto& c : cases) EXPECT_EQ(hex(md5(bytes(c.input))), c.digest) << c.input;
}

TEST(Md5, PiecewiseUpdatesEqualOneBlock) {
  // Split across the 64-byte block boundary and with an empty piece in between.
  std::string text(200, 'x');
  for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>('a' + i % 26);
  md5_hasher hasher;
  hasher.update(bytes(std::string_view(text).substr(0, 63)));
  hasher.update({});
  hasher.update(bytes(std::string_view(text).substr(63)));
  EXPECT_EQ(hasher.finish(), md5(bytes(text)));
}
