#include "config/config_vars.h"

#include "config/byte_stream.h"
#include "core/byte_cursor.h"

namespace lumo {

namespace {

void write_bytes(stream_writer& writer, const std::vector<uint8_t>& bytes,
                 const abort_signal& abort) {
  writer.write(bytes.data(), bytes.size(), abort);
}

// Whatever is left of the record, read in pieces so a large size hint cannot make us
// allocate more than the record really holds.
std::vector<uint8_t> read_to_end(stream_reader& reader, uint64_t size_hint_bytes,
                                 const abort_signal& abort) {
  constexpr size_t piece_bytes = 64 * 1024;
  std::vector<uint8_t> out;
  out.reserve(static_cast<size_t>(std::min<uint64_t>(size_hint_bytes, piece_bytes)));
  for (;;) {
    size_t old_size = out.size();
    out.resize(old_size + piece_bytes);
    size_t n = reader.read(out.data() + old_size, piece_bytes, abort);
    out.resize(old_size + n);
    if (n == 0) return out;
  }
}

}  // namespace

void config_bool::read_value(stream_reader& reader, uint64_t, const abort_signal& abort) {
  uint8_t b = 0;
  reader.read_exact(&b, 1, abort);
  set(b != 0);
}

void config_bool::write_value(stream_writer& writer, const abort_signal& abort) const {
  uint8_t b = get() ? 1 : 0;
  writer.write(&b, 1, abort);
}

void config_int32::read_value(stream_reader& reader, uint64_t, const abort_signal& abort) {
  uint8_t bytes[4];
  reader.read_exact(bytes, sizeof(bytes), abort);
  set(byte_cursor(bytes).s32le());
}

void config_int32::write_value(stream_writer& writer, const abort_signal& abort) const {
  std::vector<uint8_t> bytes;
  put_le(bytes, static_cast<uint32_t>(get()), 4);
  write_bytes(writer, bytes, abort);
}

void config_guid::read_value(stream_reader& reader, uint64_t, const abort_signal& abort) {
  uint8_t bytes[sizeof(guid)];
  reader.read_exact(bytes, sizeof(bytes), abort);
  value_ = byte_cursor(bytes).guid_le();
}

void config_guid::write_value(stream_writer& writer, const abort_signal& abort) const {
  std::vector<uint8_t> bytes;
  put_guid_le(bytes, value_);
  write_bytes(writer, bytes, abort);
}

void config_string::read_value(stream_reader& reader, uint64_t size_hint_bytes,
                               const abort_signal& abort) {
  std::vector<uint8_t> bytes = read_to_end(reader, size_hint_bytes, abort);
  value_.assign(bytes.begin(), bytes.end());
}

void config_string::write_value(stream_writer& writer, const abort_signal& abort) const {
  writer.write(value_.data(), value_.size(), abort);
}

void config_window_position::read_value(stream_reader& reader, uint64_t,
                                        const abort_signal& abort) {
  uint8_t bytes[20];
  reader.read_exact(bytes, sizeof(bytes), abort);
  byte_cursor c(bytes);
  window_position v;
  for (int32_t* field : {&v.show_state, &v.width, &v.height, &v.x, &v.y}) *field = c.s32le();
  value_ = v;
}

void config_window_position::write_value(stream_writer& writer, const abort_signal& abort) const {
  std::vector<uint8_t> bytes;
  for (int32_t f : {value_.show_state, value_.width, value_.height, value_.x, value_.y})
    put_le(bytes, static_cast<uint32_t>(f), 4);
  write_bytes(writer, bytes, abort);
}

void config_font::read_value(stream_reader& reader, uint64_t, const abort_signal& abort) {
  std::array<uint8_t, logical_font_size_bytes> bytes;
  reader.read_exact(bytes.data(), bytes.size(), abort);
  value_ = get_logical_font(bytes);
}

void config_font::write_value(stream_writer& writer, const abort_signal& abort) const {
  std::vector<uint8_t> bytes;
  put_logical_font(bytes, get());
  write_bytes(writer, bytes, abort);
}

void config_blob::read_value(stream_reader& reader, uint64_t size_hint_bytes,
                             const abort_signal& abort) {
  value_ = read_to_end(reader, size_hint_bytes, abort);
}

void config_blob::write_value(stream_writer& writer, const abort_signal& abort) const {
  write_bytes(writer, value_, abort);
}

}  // namespace lumo
