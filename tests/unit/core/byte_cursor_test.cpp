#include "core/byte_cursor.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/exceptions.h"

namespace lumo {
namespace {

std::span<const uint8_t> as_bytes(std::string_view s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

TEST(ByteCursor, ReadsIntegersInBothOrdersAndTexts) {
  const uint8_t data[] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x7F,
                          0x7F, 0x7F, 0x7F, 'a',  'b',  0,    'c',  'd'};
  byte_cursor c(data, "test block");
  EXPECT_EQ(c.u16be(), 0x0102);
  EXPECT_EQ(c.u16le(), 0x0403);
  EXPECT_EQ(c.u32be(), 0x05060708u);
  EXPECT_EQ(c.synchsafe32(), 0x0FFFFFFFu);
  EXPECT_EQ(c.zstring(), "ab");
  EXPECT_EQ(c.zstring_or_rest(), "cd");
  EXPECT_TRUE(c.at_end());

  byte_cursor d(data);
  EXPECT_EQ(d.u64le(), 0x0807060504030201ull);
  EXPECT_EQ(d.uint_be(3), 0x7F7F7Fu);
  d.seek(1);
  EXPECT_EQ(d.u24le(), 0x040302u);
}

TEST(ByteCursor, RunningShortNamesTheStructureAndFileOffset) {
  const uint8_t data[] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  byte_cursor outer(data, "tag", 1000);
  outer.skip(4);
  byte_cursor frame = outer.sub(4, "frame header");
  EXPECT_EQ(outer.remaining(), 2u);
  EXPECT_EQ(frame.file_offset(), 1004u);
  frame.u16be();
  try {
    frame.u32be();
    FAIL() << "no error";
  } catch (const sonatrix_io::exception_io_data& e) {
    std::string text = e.what();
    EXPECT_NE(text.find("frame header at byte 1006"), std::string::npos) << text;
    EXPECT_NE(text.find("needs 4 bytes, 2 left"), std::string::npos) << text;
  }
  // A failed read moves nothing, so a parser can report and stop cleanly.
  EXPECT_EQ(frame.remaining(), 2u);
  EXPECT_THROW(outer.sub(3), sonatrix_io::exception_io_data_truncation);
  EXPECT_THROW(outer.seek(11), sonatrix_io::exception_io_data);
}

TEST(ByteCursor, RejectsDamagedSynchsafeAndUnterminatedText) {
  const uint8_t bad[] = {0x00, 0x80, 0x00, 0x00};
  byte_cursor c(bad);
  EXPECT_THROW(c.synchsafe32(), sonatrix_io::exception_io_data);
  EXPECT_EQ(c.position(), 0u);
  byte_cursor t(as_bytes("no end"));
  EXPECT_THROW(t.zstring(), sonatrix_io::exception_io_data);
  EXPECT_TRUE(t.peek_equals("no"));
  EXPECT_FALSE(t.peek_equals("no end at all"));
  byte_cursor empty;
  EXPECT_TRUE(empty.at_end());
  EXPECT_THROW(empty.u8(), sonatrix_io::exception_io_data);
}

TEST(ByteCursor, ReadsGuidsInTheirMemoryLayout) {
  const uint8_t data[] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                          0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
  byte_cursor c(data);
  guid g = c.guid_le();
  EXPECT_EQ(g.data1, 1u);
  EXPECT_EQ(g.data3, 0x10);
  EXPECT_EQ(g.data4[7], 0x71);
  std::string out;
  put_le(out, 0x0102, 2);
  put_be(out, 0x0102, 2);
  EXPECT_EQ(out, std::string("\x02\x01\x01\x02", 4));
}

}  // namespace
}  // namespace lumo
