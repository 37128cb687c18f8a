#include "core/byte_cursor.h"

#include <bit>
#include <cstring>

#include "core/debug_output.h"
#include "core/exceptions.h"

namespace lumo {

namespace {

std::string context_text(std::string_view what, uint64_t offset, std::string_view problem) {
  std::string text;
  text += what.empty() ? std::string_view("data") : what;
  text += " at byte ";
  text += std::to_string(offset);
  if (!problem.empty()) {
    text += ": ";
    text += problem;
  }
  return text;
}

std::string logged_message(std::string_view what, uint64_t offset, std::string_view problem) {
  std::string context = context_text(what, offset, problem);
  debug_output("Data error: " + context + "\n");
  return sonatrix_io::io_text("exception_io_data") + " (" + context + ")";
}

}  // namespace

void throw_data_error(std::string_view what, uint64_t offset, std::string_view problem) {
  throw sonatrix_io::exception_io_data(logged_message(what, offset, problem));
}

void throw_truncation_error(std::string_view what, uint64_t offset, std::string_view problem) {
  throw sonatrix_io::exception_io_data_truncation(logged_message(what, offset, problem));
}

void byte_cursor::fail(std::string_view problem) const {
  throw_data_error(what_, file_offset(), problem);
}

void byte_cursor::fail_short(size_t wanted) const {
  throw_truncation_error(
      what_, file_offset(),
      "needs " + std::to_string(wanted) + " bytes, " + std::to_string(remaining()) + " left");
}

float byte_cursor::f32le() {
  return std::bit_cast<float>(u32le());
}
double byte_cursor::f64le() {
  return std::bit_cast<double>(u64le());
}
double byte_cursor::f64be() {
  return std::bit_cast<double>(u64be());
}

uint64_t byte_cursor::synchsafe(size_t count) {
  size_t start = position_;
  auto b = take(count);
  uint64_t v = 0;
  for (uint8_t x : b) {
    if (x & 0x80) {
      position_ = start;
      fail("synch-safe integer with a high bit set");
    }
    v = (v << 7) | x;
  }
  return v;
}

guid byte_cursor::guid_le() {
  guid g{};
  g.data1 = u32le();
  g.data2 = u16le();
  g.data3 = u16le();
  copy_to(g.data4, 8);
  return g;
}

void byte_cursor::copy_to(void* out, size_t count) {
  auto b = take(count);
  if (count) std::memcpy(out, b.data(), count);
}

std::string_view byte_cursor::fixed_string(size_t count) {
  auto b = take(count);
  return {reinterpret_cast<const char*>(b.data()), b.size()};
}

std::string_view byte_cursor::zstring() {
  auto rest_bytes = bytes_.subspan(position_);
  const void* nul = std::memchr(rest_bytes.data(), 0, rest_bytes.size());
  if (!nul) fail("text without its terminating zero");
  size_t length = static_cast<size_t>(static_cast<const uint8_t*>(nul) - rest_bytes.data());
  auto text = fixed_string(length);
  position_ += 1;
  return text;
}

std::string_view byte_cursor::zstring_or_rest() {
  auto rest_bytes = bytes_.subspan(position_);
  const void* nul = std::memchr(rest_bytes.data(), 0, rest_bytes.size());
  if (!nul) return fixed_string(rest_bytes.size());
  return zstring();
}

byte_cursor byte_cursor::sub(size_t count, std::string_view what) {
  uint64_t start = file_offset();
  auto b = take(count);
  return byte_cursor(b, what.empty() ? what_ : what, start);
}

void byte_cursor::seek(size_t position) {
  if (position > bytes_.size()) fail("position " + std::to_string(position) + " past the end");
  position_ = position;
}

bool byte_cursor::peek_equals(std::string_view magic) const {
  return remaining() >= magic.size() &&
         std::memcmp(bytes_.data() + position_, magic.data(), magic.size()) == 0;
}

std::span<const uint8_t> byte_cursor::peek(size_t count) const {
  if (count > remaining()) fail_short(count);
  return bytes_.subspan(position_, count);
}

}  // namespace lumo
