#include "core/md5.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace lumo {
namespace {

std::string hex_md5(std::string_view text, size_t piece = SIZE_MAX) {
  md5_hasher hasher;
  while (true) {
    const std::string_view part = text.substr(0, piece);
    hasher.update({reinterpret_cast<const uint8_t*>(part.data()), part.size()});
    if (part.size() == text.size()) break;
    text.remove_prefix(part.size());
  }
  std::string out;
  for (uint8_t b : hasher.finish()) {
    static const char digits[] = "0123456789abcdef";
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out;
}

TEST(md5, known_vectors_in_one_block_and_in_pieces) {
  // RFC 1321 appendix A.5.
  EXPECT_EQ(hex_md5(""), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(hex_md5("abc"), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(hex_md5("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
  const std::string digits =
      "12345678901234567890123456789012345678901234567890123456789012345678901234567890";
  EXPECT_EQ(hex_md5(digits), "57edf4a22be3c955ac49da2e2107b67a");
  EXPECT_EQ(hex_md5(digits, 7), "57edf4a22be3c955ac49da2e2107b67a");
}

}  // namespace
}  // namespace lumo
