#pragma once
// Text inside ID3v2 frames: the encoding byte (0 ISO-8859-1, 1 UTF-16 with byte-order
// mark, 2 UTF-16BE, 3 UTF-8) and the zero character that separates values. Everything
// becomes UTF-8 here, once, so nothing past the tag parser sees another encoding.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lumo::id3 {

enum class text_encoding : uint8_t { latin1 = 0, utf16_bom = 1, utf16be = 2, utf8 = 3 };

// True for the four encodings ID3v2 defines.
inline bool is_known_encoding(uint8_t value) {
  return value <= 3;
}

// Decodes bytes (no encoding byte) into UTF-8 values split at zero characters. A final
// terminator does not add an empty value. UTF-16 without a byte-order mark is read as
// little-endian (what Windows taggers meant), an odd last byte is dropped, and undecodable
// sequences become U+FFFD.
std::vector<std::string> decode_text_values(text_encoding encoding, std::span<const uint8_t> bytes);

// Splits off one zero-terminated string (a description) from the front of bytes and
// returns it as UTF-8; bytes is advanced past the terminator, or to the end when there is
// none. UTF-16 terminators are two zero bytes on an even offset.
std::string take_terminated_text(text_encoding encoding, std::span<const uint8_t>& bytes);

// Encodes UTF-8 into the frame encoding; UTF-16 gets a little-endian byte-order mark
// before every value. Characters ISO-8859-1 cannot hold become "?".
void append_encoded(std::string& out, text_encoding encoding, std::string_view utf8);
// The zero character of the encoding (one byte, or two for UTF-16).
void append_terminator(std::string& out, text_encoding encoding);

// ISO-8859-1 <-> UTF-8 for ID3v1 fields and URL frames.
std::string latin1_to_utf8(std::span<const uint8_t> bytes);
std::string utf8_to_latin1(std::string_view utf8);

}  // namespace lumo::id3
