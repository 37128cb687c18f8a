#pragma once
// UTF-8 is the text form everywhere inside the program; UTF-16 exists only at the
// platform boundary. Conversion never fails: what cannot be decoded becomes U+FFFD,
// one replacement per offending byte (UTF-8) or per lone surrogate (UTF-16), so a
// damaged name still shows up and round-trips as far as it can.

#include <cstdint>
#include <string>
#include <string_view>

namespace lumo {

inline constexpr char32_t replacement_char = 0xFFFD;

// Decodes one code point at text[pos] and advances pos. Invalid or truncated
// sequences, overlong forms, surrogates and values above U+10FFFF yield
// replacement_char and advance by one byte.
char32_t utf8_next(std::string_view text, size_t& pos);

// True when the whole text is well-formed UTF-8 (embedded zeros are allowed).
bool utf8_is_valid(std::string_view text);

void utf8_append(std::string& out, char32_t c);

std::u16string utf8_to_utf16(std::string_view text);
std::string utf16_to_utf8(std::u16string_view text);

#ifdef _WIN32
// The same conversions on wchar_t, which is 16-bit on Windows.
std::wstring to_wide(std::string_view text);
std::string from_wide(std::wstring_view text);
#endif

}  // namespace lumo
