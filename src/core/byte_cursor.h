#pragma once
// A bounds-checked reader over bytes in memory. Every binary parser reads through it, so
// running short is one error with one shape everywhere: exception_io_data_truncation
// naming the structure and the offset, in the debug output and in the message a person
// may see.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "core/guid.h"

namespace lumo {

class byte_cursor {
 public:
  byte_cursor() = default;
  // what names the structure in error texts ("ID3v2 frame", "fmt chunk"); base_offset is
  // where these bytes start in their file, so errors speak of file offsets.
  explicit byte_cursor(std::span<const uint8_t> bytes, std::string_view what = {},
                       uint64_t base_offset = 0)
      : bytes_(bytes), what_(what), base_offset_(base_offset) {}

  size_t size() const { return bytes_.size(); }
  size_t position() const { return position_; }
  size_t remaining() const { return bytes_.size() - position_; }
  bool at_end() const { return position_ == bytes_.size(); }
  // The position as an offset in the file the bytes came from.
  uint64_t file_offset() const { return base_offset_ + position_; }
  std::string_view what() const { return what_; }

  uint8_t u8() { return take(1)[0]; }
  uint16_t u16le() { return static_cast<uint16_t>(le(take(2))); }
  uint16_t u16be() { return static_cast<uint16_t>(be(take(2))); }
  uint32_t u24le() { return static_cast<uint32_t>(le(take(3))); }
  uint32_t u24be() { return static_cast<uint32_t>(be(take(3))); }
  uint32_t u32le() { return static_cast<uint32_t>(le(take(4))); }
  uint32_t u32be() { return static_cast<uint32_t>(be(take(4))); }
  uint64_t u64le() { return le(take(8)); }
  uint64_t u64be() { return be(take(8)); }
  int16_t s16le() { return static_cast<int16_t>(u16le()); }
  int16_t s16be() { return static_cast<int16_t>(u16be()); }
  int32_t s32le() { return static_cast<int32_t>(u32le()); }
  int32_t s32be() { return static_cast<int32_t>(u32be()); }
  float f32le();
  double f64le();
  double f64be();
  // A big-endian integer of width bytes (1..8).
  uint64_t uint_be(size_t width) { return be(take(width)); }
  uint64_t uint_le(size_t width) { return le(take(width)); }

  // Four (or count) bytes of seven bits each, most significant first. A byte with its top
  // bit set is damage: the data error.
  uint32_t synchsafe32() { return static_cast<uint32_t>(synchsafe(4)); }
  uint64_t synchsafe(size_t count);

  // A GUID in its memory layout: three little-endian groups, then eight bytes.
  guid guid_le();

  std::span<const uint8_t> bytes(size_t count) { return take(count); }
  void copy_to(void* out, size_t count);
  // count bytes as they stand, NULs included.
  std::string_view fixed_string(size_t count);
  // Up to (and past) the next NUL; no NUL before the end is the data error.
  std::string_view zstring();
  // Up to the next NUL or the end, whichever comes first.
  std::string_view zstring_or_rest();
  std::span<const uint8_t> rest() { return take(remaining()); }

  // The next count bytes as a cursor of their own; this one moves past them.
  byte_cursor sub(size_t count, std::string_view what = {});
  byte_cursor sub_rest(std::string_view what = {}) { return sub(remaining(), what); }

  void skip(size_t count) { take(count); }
  // Moves to an absolute position inside the bytes; past the end is the data error.
  void seek(size_t position);
  bool has(size_t count) const { return remaining() >= count; }
  // Compares without moving.
  bool peek_equals(std::string_view magic) const;
  std::span<const uint8_t> peek(size_t count) const;

  // Raises the data error for a problem found at the current position.
  [[noreturn]] void fail(std::string_view problem) const;

 private:
  std::span<const uint8_t> take(size_t count) {
    if (count > remaining()) fail_short(count);
    auto out = bytes_.subspan(position_, count);
    position_ += count;
    return out;
  }
  static uint64_t le(std::span<const uint8_t> b) {
    uint64_t v = 0;
    for (size_t i = b.size(); i-- > 0;) v = (v << 8) | b[i];
    return v;
  }
  static uint64_t be(std::span<const uint8_t> b) {
    uint64_t v = 0;
    for (uint8_t x : b) v = (v << 8) | x;
    return v;
  }
  [[noreturn]] void fail_short(size_t wanted) const;

  std::span<const uint8_t> bytes_;
  std::string_view what_;
  uint64_t base_offset_ = 0;
  size_t position_ = 0;
};

// The data error with context (exception_io_data), for damage found with or without a
// cursor at hand: "<language text> (<what> at byte <offset>: <problem>)", also written to
// the debug output. Running short is the same text as exception_io_data_truncation.
[[noreturn]] void throw_data_error(std::string_view what, uint64_t offset,
                                   std::string_view problem);
[[noreturn]] void throw_truncation_error(std::string_view what, uint64_t offset,
                                         std::string_view problem);

// Little- and big-endian writers for the code that builds the same structures, into a
// std::string or a byte vector.
template <class Bytes>
void put_le(Bytes& out, uint64_t value, size_t width) {
  using byte = typename Bytes::value_type;
  for (size_t i = 0; i < width; ++i) out.push_back(static_cast<byte>(value >> (8 * i)));
}
template <class Bytes>
void put_be(Bytes& out, uint64_t value, size_t width) {
  using byte = typename Bytes::value_type;
  for (size_t i = width; i-- > 0;) out.push_back(static_cast<byte>(value >> (8 * i)));
}
// A GUID in its memory layout, the counterpart of byte_cursor::guid_le.
template <class Bytes>
void put_guid_le(Bytes& out, const guid& id) {
  using byte = typename Bytes::value_type;
  put_le(out, id.data1, 4);
  put_le(out, id.data2, 2);
  put_le(out, id.data3, 2);
  for (uint8_t b : id.data4) out.push_back(static_cast<byte>(b));
}

}  // namespace lumo
