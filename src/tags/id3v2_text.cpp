#include "tags/id3v2_text.h"

#include "core/unicode.h"

namespace lumo::id3 {

namespace {

bool is_utf16(text_encoding encoding) {
  return encoding == text_encoding::utf16_bom || encoding == text_encoding::utf16be;
}

// Decodes one UTF-16 value; a byte-order mark at its start sets the order for it.
std::string decode_utf16(std::span<const uint8_t> bytes, bool big_endian) {
  size_t pos = 0;
  if (bytes.size() >= 2) {
    if (bytes[0] == 0xFF && bytes[1] == 0xFE) {
      big_endian = false;
      pos = 2;
    } else if (bytes[0] == 0xFE && bytes[1] == 0xFF) {
      big_endian = true;
      pos = 2;
    }
  }
  std::u16string units;
  units.reserve((bytes.size() - pos) / 2);
  for (; pos + 1 < bytes.size(); pos += 2) {
    uint16_t unit = big_endian ? static_cast<uint16_t>(bytes[pos] << 8 | bytes[pos + 1])
                               : static_cast<uint16_t>(bytes[pos + 1] << 8 | bytes[pos]);
    units.push_back(static_cast<char16_t>(unit));
  }
  return utf16_to_utf8(units);
}

std::string decode_utf8(std::span<const uint8_t> bytes) {
  std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  if (utf8_is_valid(text)) return std::string(text);
  std::string out;
  for (size_t pos = 0; pos < text.size();) utf8_append(out, utf8_next(text, pos));
  return out;
}

std::string decode_one(text_encoding encoding, std::span<const uint8_t> bytes) {
  switch (encoding) {
    case text_encoding::latin1: return latin1_to_utf8(bytes);
    case text_encoding::utf16_bom: return decode_utf16(bytes, false);
    case text_encoding::utf16be: return decode_utf16(bytes, true);
    case text_encoding::utf8: return decode_utf8(bytes);
  }
  return latin1_to_utf8(bytes);
}

// Where the next zero character starts at or after from, or bytes.size().
size_t find_terminator(text_encoding encoding, std::span<const uint8_t> bytes, size_t from) {
  if (is_utf16(encoding)) {
    for (size_t i = from; i + 1 < bytes.size(); i += 2)
      if (bytes[i] == 0 && bytes[i + 1] == 0) return i;
    return bytes.size();
  }
  for (size_t i = from; i < bytes.size(); ++i)
    if (bytes[i] == 0) return i;
  return bytes.size();
}

}  // namespace

std::vector<std::string> decode_text_values(text_encoding encoding,
                                            std::span<const uint8_t> bytes) {
  std::vector<std::string> values;
  const size_t width = is_utf16(encoding) ? 2 : 1;
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = find_terminator(encoding, bytes, start);
    values.push_back(decode_one(encoding, bytes.subspan(start, end - start)));
    if (end >= bytes.size()) break;
    start = end + width;
    // Only an odd leftover byte of UTF-16 remains: nothing more to read.
    if (bytes.size() - start < width) break;
  }
  return values;
}

std::string take_terminated_text(text_encoding encoding, std::span<const uint8_t>& bytes) {
  size_t end = find_terminator(encoding, bytes, 0);
  std::string text = decode_one(encoding, bytes.first(end));
  const size_t width = is_utf16(encoding) ? 2 : 1;
  bytes = end + width <= bytes.size() ? bytes.subspan(end + width) : bytes.subspan(bytes.size());
  return text;
}

void append_encoded(std::string& out, text_encoding encoding, std::string_view utf8) {
  switch (encoding) {
    case text_encoding::latin1: out += utf8_to_latin1(utf8); return;
    case text_encoding::utf8: out += utf8; return;
    case text_encoding::utf16_bom:
    case text_encoding::utf16be: {
      const bool big_endian = encoding == text_encoding::utf16be;
      if (!big_endian) out += "\xFF\xFE";
      for (char16_t unit : utf8_to_utf16(utf8)) {
        char hi = static_cast<char>(unit >> 8), lo = static_cast<char>(unit & 0xFF);
        out += big_endian ? hi : lo;
        out += big_endian ? lo : hi;
      }
      return;
    }
  }
}

void append_terminator(std::string& out, text_encoding encoding) {
  out.push_back('\0');
  if (is_utf16(encoding)) out.push_back('\0');
}

std::string latin1_to_utf8(std::span<const uint8_t> bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (uint8_t b : bytes) {
    if (b < 0x80) {
      out.push_back(static_cast<char>(b));
    } else {
      out.push_back(static_cast<char>(0xC0 | (b >> 6)));
      out.push_back(static_cast<char>(0x80 | (b & 0x3F)));
    }
  }
  return out;
}

std::string utf8_to_latin1(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (size_t pos = 0; pos < utf8.size();) {
    char32_t c = utf8_next(utf8, pos);
    out.push_back(c <= 0xFF ? static_cast<char>(c) : '?');
  }
  return out;
}

}  // namespace lumo::id3
