// Each character gets one 32-bit weight; texts compare weight by weight, the way the
// shell's logical comparison compares character by character. A weight is
//   group (top byte) | rank within the group,
// with the groups in the shell's order: digit runs, then punctuation and symbols, then
// Latin letters (base letter, then the accent's rank), then the letters of other scripts.
// Case never reaches the weight. The ranks of punctuation and of accents follow the
// order Windows sorts them in; scripts other than Latin are ordered by script, then by
// code point, which is close to Windows for the alphabets and the CJK ideographs but
// does not reproduce its full linguistic table.
#include "library/logical_compare.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#include "core/case_map.h"
#include "core/unicode.h"

namespace lumo {

namespace {

constexpr uint32_t group_symbol = 0x01000000;
constexpr uint32_t group_latin = 0x02000000;
constexpr uint32_t group_other = 0x03000000;
// Symbols ranked after the other non-ASCII symbols: the mathematical ASCII signs, then
// digits that are not ASCII (they are not compared by value, as in the shell).
constexpr uint32_t rank_math_signs = 0xF00000;
constexpr uint32_t rank_other_digits = 0xF10000;
constexpr uint32_t rank_other_symbols = 0x100;

constexpr bool is_ascii_digit(unsigned char c) {
  return c >= '0' && c <= '9';
}

// ASCII punctuation in the order Windows sorts it: apostrophe and hyphen first (they
// are the "word" punctuation), then space and the rest.
constexpr std::string_view punctuation_order = "'-\x01\x02\x03 \x04!\"#$%&()*,./:;?@[\\]^_`{|}~";
// \x01..\x04 stand for en dash, em dash, combining grave and no-break space.

constexpr std::array<uint32_t, 128> make_ascii_weights() {
  std::array<uint32_t, 128> w{};
  for (int c = 0; c < 128; ++c) w[c] = group_symbol + rank_other_symbols + c;
  for (size_t i = 0; i < punctuation_order.size(); ++i) {
    auto c = static_cast<unsigned char>(punctuation_order[i]);
    if (c >= 0x20) w[c] = group_symbol + 1 + uint32_t(i);
  }
  constexpr std::string_view math = "+<=>";
  for (size_t i = 0; i < math.size(); ++i)
    w[static_cast<unsigned char>(math[i])] = group_symbol + rank_math_signs + uint32_t(i);
  for (int c = 'a'; c <= 'z'; ++c) w[c] = group_latin + (uint32_t(c - 'a') << 8);
  for (int c = 'A'; c <= 'Z'; ++c) w[c] = group_latin + (uint32_t(c - 'A') << 8);
  return w;
}
constexpr std::array<uint32_t, 128> ascii_weights = make_ascii_weights();

constexpr uint32_t punctuation_weight(char marker) {
  return group_symbol + 1 + uint32_t(punctuation_order.find(marker));
}

// U+00C0..U+017F: base letter and accent rank. Ranks
// ('a' + n): 1 ordinal or dotless forms, 2 acute, 3 grave, 4 dot above or middle dot,
// 5 circumflex, 6 diaeresis, 7 caron, 8 breve, 9 macron, 10 tilde, 11 ring, 12 ogonek,
// 13 double acute, 14 cedilla, 15 thorn, 16 stroke, 17 eth, 19 apostrophe n,
// 20 ligatures and sharp s, 21 long s; base 0 marks a symbol (multiplication, division).
struct latin_entry {
  char base;
  uint8_t rank;
};

constexpr latin_entry L(char base, int rank) {
  return {base, uint8_t(rank)};
}
constexpr latin_entry symbol_entry{0, 0};

// Written out per code point: U+00C0 to U+017F.
constexpr std::array<latin_entry, 192> latin_entries = {
    // U+00C0..U+00CF
    L('a', 3),
    L('a', 2),
    L('a', 5),
    L('a', 10),
    L('a', 6),
    L('a', 11),
    L('a', 20),
    L('c', 14),
    L('e', 3),
    L('e', 2),
    L('e', 5),
    L('e', 6),
    L('i', 3),
    L('i', 2),
    L('i', 5),
    L('i', 6),
    // U+00D0..U+00DF
    L('d', 17),
    L('n', 10),
    L('o', 3),
    L('o', 2),
    L('o', 5),
    L('o', 10),
    L('o', 6),
    symbol_entry,
    L('o', 16),
    L('u', 3),
    L('u', 2),
    L('u', 5),
    L('u', 6),
    L('y', 2),
    L('t', 15),
    L('s', 20),
    // U+00E0..U+00EF
    L('a', 3),
    L('a', 2),
    L('a', 5),
    L('a', 10),
    L('a', 6),
    L('a', 11),
    L('a', 20),
    L('c', 14),
    L('e', 3),
    L('e', 2),
    L('e', 5),
    L('e', 6),
    L('i', 3),
    L('i', 2),
    L('i', 5),
    L('i', 6),
    // U+00F0..U+00FF
    L('d', 17),
    L('n', 10),
    L('o', 3),
    L('o', 2),
    L('o', 5),
    L('o', 10),
    L('o', 6),
    symbol_entry,
    L('o', 16),
    L('u', 3),
    L('u', 2),
    L('u', 5),
    L('u', 6),
    L('y', 2),
    L('t', 15),
    L('y', 6),
    // U+0100..U+010F
    L('a', 9),
    L('a', 9),
    L('a', 8),
    L('a', 8),
    L('a', 12),
    L('a', 12),
    L('c', 2),
    L('c', 2),
    L('c', 5),
    L('c', 5),
    L('c', 4),
    L('c', 4),
    L('c', 7),
    L('c', 7),
    L('d', 7),
    L('d', 7),
    // U+0110..U+011F
    L('d', 16),
    L('d', 16),
    L('e', 9),
    L('e', 9),
    L('e', 8),
    L('e', 8),
    L('e', 4),
    L('e', 4),
    L('e', 12),
    L('e', 12),
    L('e', 7),
    L('e', 7),
    L('g', 5),
    L('g', 5),
    L('g', 8),
    L('g', 8),
    // U+0120..U+012F
    L('g', 4),
    L('g', 4),
    L('g', 14),
    L('g', 14),
    L('h', 5),
    L('h', 5),
    L('h', 16),
    L('h', 16),
    L('i', 10),
    L('i', 10),
    L('i', 9),
    L('i', 9),
    L('i', 8),
    L('i', 8),
    L('i', 12),
    L('i', 12),
    // U+0130..U+013F
    L('i', 4),
    L('i', 1),
    L('i', 20),
    L('i', 20),
    L('j', 5),
    L('j', 5),
    L('k', 14),
    L('k', 14),
    L('k', 1),
    L('l', 2),
    L('l', 2),
    L('l', 14),
    L('l', 14),
    L('l', 7),
    L('l', 7),
    L('l', 4),
    // U+0140..U+014F
    L('l', 4),
    L('l', 16),
    L('l', 16),
    L('n', 2),
    L('n', 2),
    L('n', 14),
    L('n', 14),
    L('n', 7),
    L('n', 7),
    L('n', 19),
    L('n', 20),
    L('n', 20),
    L('o', 9),
    L('o', 9),
    L('o', 8),
    L('o', 8),
    // U+0150..U+015F
    L('o', 13),
    L('o', 13),
    L('o', 20),
    L('o', 20),
    L('r', 2),
    L('r', 2),
    L('r', 14),
    L('r', 14),
    L('r', 7),
    L('r', 7),
    L('s', 2),
    L('s', 2),
    L('s', 5),
    L('s', 5),
    L('s', 14),
    L('s', 14),
    // U+0160..U+016F
    L('s', 7),
    L('s', 7),
    L('t', 14),
    L('t', 14),
    L('t', 7),
    L('t', 7),
    L('t', 16),
    L('t', 16),
    L('u', 10),
    L('u', 10),
    L('u', 9),
    L('u', 9),
    L('u', 8),
    L('u', 8),
    L('u', 11),
    L('u', 11),
    // U+0170..U+017F
    L('u', 13),
    L('u', 13),
    L('u', 12),
    L('u', 12),
    L('w', 5),
    L('w', 5),
    L('y', 5),
    L('y', 5),
    L('y', 6),
    L('z', 2),
    L('z', 2),
    L('z', 4),
    L('z', 4),
    L('z', 7),
    L('z', 7),
    L('s', 21),
};

constexpr bool in(char32_t c, char32_t lo, char32_t hi) {
  return c >= lo && c <= hi;
}

bool is_other_digit(char32_t c) {
  return c == 0xB2 || c == 0xB3 || c == 0xB9 || in(c, 0xBC, 0xBE) || in(c, 0x660, 0x669) ||
         in(c, 0x6F0, 0x6F9) || in(c, 0x966, 0x96F) || in(c, 0x2070, 0x2079) ||
         in(c, 0x2080, 0x2089) || in(c, 0xFF10, 0xFF19);
}

bool is_symbol(char32_t c) {
  return in(c, 0xA1, 0xBF) || c == 0xD7 || c == 0xF7 || in(c, 0x2B0, 0x36F) ||
         in(c, 0x2000, 0x2BFF) || in(c, 0x3000, 0x303F) || in(c, 0xFE30, 0xFE4F) ||
         in(c, 0xFF01, 0xFF0F) || in(c, 0xFF1A, 0xFF20) || in(c, 0xFF3B, 0xFF40) ||
         in(c, 0xFF5B, 0xFF65);
}

// Scripts after Latin, in the order Windows sorts them.
uint32_t script_rank(char32_t c) {
  if (in(c, 0x370, 0x3FF) || in(c, 0x1F00, 0x1FFF)) return 1;  // Greek
  if (in(c, 0x400, 0x52F)) return 2;                           // Cyrillic
  if (in(c, 0x3040, 0x30FF)) return 3;                         // kana
  if (in(c, 0x590, 0x5FF)) return 4;                           // Hebrew
  if (in(c, 0x600, 0x6FF)) return 5;                           // Arabic
  if (in(c, 0xAC00, 0xD7AF) || in(c, 0x1100, 0x11FF) || in(c, 0x3130, 0x318F)) return 6;  // Hangul
  if (in(c, 0x3400, 0x4DBF) || in(c, 0x4E00, 0x9FFF) || in(c, 0xF900, 0xFAFF) || c >= 0x20000)
    return 7;  // CJK ideographs
  return 0;
}

uint32_t weight_of(char32_t c) {
  if (c < 0x80) return ascii_weights[c];
  if (in(c, 0xC0, 0x17F)) {
    const latin_entry e = latin_entries[c - 0xC0];
    if (e.base) return group_latin + (uint32_t(e.base - 'a') << 8) + e.rank;
    return group_symbol + rank_other_symbols + c;
  }
  switch (c) {
    case 0xAA: return group_latin + (uint32_t('a' - 'a') << 8) + 1;  // feminine ordinal
    case 0xBA: return group_latin + (uint32_t('o' - 'a') << 8) + 1;  // masculine ordinal
    case 0x2013: return punctuation_weight('\x01');
    case 0x2014: return punctuation_weight('\x02');
    case 0x300: return punctuation_weight('\x03');
    case 0xA0: return punctuation_weight('\x04');
    case 0x2C6: return ascii_weights['^'];  // modifier circumflex sorts as the caret
    default: break;
  }
  if (is_other_digit(c)) return group_symbol + rank_other_digits + (c & 0xFFFF);
  if (is_symbol(c)) return group_symbol + rank_other_symbols + c;
  const char32_t lower = char_to_lower(c);
  return group_other | (script_rank(lower) << 21) | lower;
}

static_assert(std::endian::native == std::endian::little,
              "common_start reads words as little-endian");

// The position of the first byte where a and b differ, moved back to the start of its
// character and of any digit run it is in, so the slow loop starts at a boundary.
size_t common_start(std::string_view a, std::string_view b) {
  const size_t n = std::min(a.size(), b.size());
  size_t i = 0;
  // Sorted lists compare long shared prefixes ("Artist - Album - ..."): eight bytes at a time.
  while (i + 8 <= n) {
    uint64_t x, y;
    std::memcpy(&x, a.data() + i, 8);
    std::memcpy(&y, b.data() + i, 8);
    if (x != y) {
      i += size_t(std::countr_zero(x ^ y)) / 8;  // little-endian: the first differing byte
      break;
    }
    i += 8;
  }
  while (i < n && a[i] == b[i]) ++i;
  // Equal bytes decode alike, so backing up over every non-ASCII byte lands on a
  // character boundary without decoding backwards.
  while (i > 0 && static_cast<unsigned char>(a[i - 1]) >= 0x80) --i;
  while (i > 0 && is_ascii_digit(static_cast<unsigned char>(a[i - 1]))) --i;
  return i;
}

// Compares the digit runs starting at a[i] and b[j] by value and moves both past them.
int compare_digit_runs(std::string_view a, size_t& i, std::string_view b, size_t& j) {
  auto skip_zeros = [](std::string_view s, size_t& p) {
    while (p + 1 < s.size() && s[p] == '0' && is_ascii_digit(static_cast<unsigned char>(s[p + 1])))
      ++p;
  };
  skip_zeros(a, i);
  skip_zeros(b, j);
  size_t ei = i, ej = j;
  while (ei < a.size() && is_ascii_digit(static_cast<unsigned char>(a[ei]))) ++ei;
  while (ej < b.size() && is_ascii_digit(static_cast<unsigned char>(b[ej]))) ++ej;
  int r = 0;
  if (ei - i != ej - j) {
    r = ei - i < ej - j ? -1 : 1;
  } else {
    const int c = a.substr(i, ei - i).compare(b.substr(j, ej - j));
    r = c < 0 ? -1 : (c > 0 ? 1 : 0);
  }
  i = ei;
  j = ej;
  return r;
}

uint32_t next_weight(std::string_view s, size_t& p) {
  const auto byte = static_cast<unsigned char>(s[p]);
  if (byte < 0x80) {
    ++p;
    return ascii_weights[byte];
  }
  return weight_of(utf8_next(s, p));
}

// UTF-16 code-unit order of one code point.
constexpr uint32_t code_unit_key(char32_t c) {
  return in(c, 0xE000, 0xFFFF) ? c + 0x200000 : c;
}

}  // namespace

int logical_compare(std::string_view a, std::string_view b) {
  size_t i = common_start(a, b), j = i;
  while (i < a.size()) {
    if (j >= b.size()) return 1;
    const bool da = is_ascii_digit(static_cast<unsigned char>(a[i]));
    const bool db = is_ascii_digit(static_cast<unsigned char>(b[j]));
    if (da && db) {
      if (int r = compare_digit_runs(a, i, b, j)) return r;
      continue;
    }
    if (da) return -1;
    if (db) return 1;
    const uint32_t wa = next_weight(a, i), wb = next_weight(b, j);
    if (wa != wb) return wa < wb ? -1 : 1;
  }
  return j < b.size() ? -1 : 0;
}

// Key layout, in big-endian 32-bit units so that memcmp compares them as numbers: a
// character is its weight (at least 0x01000000); a digit run is the unit 1, its number of
// significant digits, then those digits as bytes (both sides have the same count when
// their digits are compared, so the units stay aligned); the end is the unit 0.
void append_logical_sort_key(std::string& out, std::string_view text) {
  // Units gather in a small buffer: appending four bytes at a time to the string was
  // most of the cost of keying a hundred thousand songs.
  char buffer[256];
  size_t used = 0;
  auto flush = [&] {
    out.append(buffer, used);
    used = 0;
  };
  auto put = [&](uint32_t v) {
    if (used + 4 > sizeof buffer) flush();
    buffer[used++] = char(v >> 24);
    buffer[used++] = char(v >> 16);
    buffer[used++] = char(v >> 8);
    buffer[used++] = char(v);
  };
  size_t i = 0;
  while (i < text.size()) {
    if (is_ascii_digit(static_cast<unsigned char>(text[i]))) {
      while (i + 1 < text.size() && text[i] == '0' &&
             is_ascii_digit(static_cast<unsigned char>(text[i + 1])))
        ++i;
      size_t end = i;
      while (end < text.size() && is_ascii_digit(static_cast<unsigned char>(text[end]))) ++end;
      put(1);
      put(uint32_t(end - i));
      if (used + (end - i) > sizeof buffer) flush();
      if (end - i > sizeof buffer) {
        out.append(text.substr(i, end - i));
      } else {
        std::memcpy(buffer + used, text.data() + i, end - i);
        used += end - i;
      }
      i = end;
      continue;
    }
    put(next_weight(text, i));
  }
  put(0);
  flush();
}

int code_unit_compare(std::string_view a, std::string_view b) {
  size_t i = common_start(a, b), j = i;
  while (i < a.size() && j < b.size()) {
    const auto ca = static_cast<unsigned char>(a[i]), cb = static_cast<unsigned char>(b[j]);
    if (ca < 0x80 && cb < 0x80) {
      if (ca != cb) return ca < cb ? -1 : 1;
      ++i;
      ++j;
      continue;
    }
    const uint32_t ka = code_unit_key(utf8_next(a, i)), kb = code_unit_key(utf8_next(b, j));
    if (ka != kb) return ka < kb ? -1 : 1;
  }
  if (i < a.size()) return 1;
  return j < b.size() ? -1 : 0;
}

int ordering_compare(std::string_view a, std::string_view b) {
  if (int r = logical_compare(a, b)) return r;
  return code_unit_compare(a, b);
}

}  // namespace lumo
