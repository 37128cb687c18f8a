// Text functions. Lengths and positions count code points; the argument being worked on
// is evaluated into the caller's output and replaced there by the result.
#include <vector>

#include "core/code_page.h"
#include "core/unicode.h"
#include "meta/title_format_functions.h"
#include "meta/title_format_text.h"

namespace lumo::tf {
namespace {

constexpr size_t max_padding_chars = 1024;
constexpr size_t max_repeat_bytes = 4096;
constexpr int64_t max_tabs = 16;

// The first code point of text as its UTF-8 bytes; fallback when text is empty.
std::string first_char(std::string_view text, std::string_view fallback) {
  if (text.empty()) return std::string(fallback);
  size_t pos = 0;
  utf8_next(text, pos);
  return std::string(text.substr(0, pos));
}

// Replaces the text from start on with result.
void replace_from(title_format_output& out, size_t start, std::string_view result) {
  out.truncate(start);
  out.append(result);
}

size_t clamp_count(int64_t n, size_t limit) {
  if (n <= 0) return 0;
  return uint64_t(n) > limit ? limit : size_t(n);
}

size_t clamp_count(int64_t n) {
  return n <= 0 ? 0 : size_t(n);
}

template <typename Map>
bool map_arg(const title_format_args& args, title_format_output& out, Map map) {
  if (args.count() != 1) return false;
  auto s = eval_arg(args, 0, out);
  std::string result = map(out.read_from(s.start));
  replace_from(out, s.start, result);
  return s.found;
}

bool is_word_separator(char32_t c) {
  switch (c) {
    case ' ':
    case ',':
    case '\t':
    case '(':
    case ')':
    case '[':
    case ']':
    case '|':
    case '/':
    case '\\': return true;
    default: return false;
  }
}

std::string capitalize(std::string_view text, bool lower_rest) {
  std::string result;
  result.reserve(text.size());
  bool word_start = true;
  for (size_t pos = 0; pos < text.size();) {
    char32_t c = utf8_next(text, pos);
    if (is_word_separator(c)) {
      word_start = true;
    } else {
      if (word_start)
        c = title_format_char_upper(c);
      else if (lower_rest)
        c = title_format_char_lower(c);
      word_start = false;
    }
    utf8_append(result, c);
  }
  return result;
}

}  // namespace

bool fn_upper(const title_format_args& args, title_format_output& out) {
  return map_arg(args, out, title_format_text_upper);
}

bool fn_lower(const title_format_args& args, title_format_output& out) {
  return map_arg(args, out, title_format_text_lower);
}

bool fn_caps(const title_format_args& args, title_format_output& out) {
  return map_arg(args, out, [](std::string_view s) { return capitalize(s, true); });
}

bool fn_caps2(const title_format_args& args, title_format_output& out) {
  return map_arg(args, out, [](std::string_view s) { return capitalize(s, false); });
}

bool fn_rot13(const title_format_args& args, title_format_output& out) {
  return map_arg(args, out, [](std::string_view s) {
    std::string result(s);
    for (char& c : result) {
      if (c >= 'a' && c <= 'z')
        c = char('a' + (c - 'a' + 13) % 26);
      else if (c >= 'A' && c <= 'Z')
        c = char('A' + (c - 'A' + 13) % 26);
    }
    return result;
  });
}

bool fn_ansi(const title_format_args& args, title_format_output& out) {
  return map_arg(args, out, [](std::string_view s) {
    return round_trip_code_page(s, legacy_code_page::system_ansi);
  });
}

bool fn_ascii(const title_format_args& args, title_format_output& out) {
  return map_arg(args, out, [](std::string_view s) {
    return round_trip_code_page(s, legacy_code_page::us_ascii);
  });
}

bool fn_trim(const title_format_args& args, title_format_output& out) {
  if (args.count() != 1 && args.count() != 2) return false;
  auto s = eval_arg(args, 0, out);
  std::string c = args.count() == 2 ? first_char(eval_string(args, 1, out), " ") : " ";
  std::string_view text = out.read_from(s.start);
  size_t first = 0;
  while (text.substr(first, c.size()) == c) first += c.size();
  size_t last = text.size();
  while (last >= first + c.size() && text.substr(last - c.size(), c.size()) == c) last -= c.size();
  keep_range(out, s.start, s.start + first, s.start + last);
  return s.found;
}

namespace {

enum class pad_side { after, before };

// Shared by $pad, $pad_right, $padcut and $padcut_right.
bool pad_impl(const title_format_args& args, title_format_output& out, pad_side side, bool cut) {
  if (args.count() != 2 && args.count() != 3) return false;
  auto s = eval_arg(args, 0, out);
  int64_t n = eval_number(args, 1, out);
  std::string c = args.count() == 3 ? first_char(eval_string(args, 2, out), " ") : " ";
  size_t width = cut ? clamp_count(n, max_padding_chars) : clamp_count(n);
  std::string_view text = out.read_from(s.start);
  size_t length = utf8_length(text);
  if (cut && length > width) {
    out.truncate(s.start + utf8_offset(text, width));
    length = width;
  }
  size_t padding = width > length ? std::min(width - length, max_padding_chars) : 0;
  if (side == pad_side::after) {
    out.append_repeated(c, padding);
  } else if (padding > 0) {
    std::string body(out.read_from(s.start));
    out.truncate(s.start);
    out.append_repeated(c, padding);
    out.append(body);
  }
  return s.found;
}

}  // namespace

bool fn_pad(const title_format_args& args, title_format_output& out) {
  return pad_impl(args, out, pad_side::after, false);
}

bool fn_pad_right(const title_format_args& args, title_format_output& out) {
  return pad_impl(args, out, pad_side::before, false);
}

bool fn_padcut(const title_format_args& args, title_format_output& out) {
  return pad_impl(args, out, pad_side::after, true);
}

bool fn_padcut_right(const title_format_args& args, title_format_output& out) {
  return pad_impl(args, out, pad_side::before, true);
}

bool fn_cut(const title_format_args& args, title_format_output& out) {
  if (args.count() != 2) return false;
  auto s = eval_arg(args, 0, out);
  size_t n = clamp_count(eval_number(args, 1, out));
  out.truncate(s.start + utf8_offset(out.read_from(s.start), n));
  return s.found;
}

bool fn_right(const title_format_args& args, title_format_output& out) {
  if (args.count() != 2) return false;
  auto s = eval_arg(args, 0, out);
  size_t n = clamp_count(eval_number(args, 1, out));
  std::string_view text = out.read_from(s.start);
  size_t length = utf8_length(text);
  size_t skip = length > n ? length - n : 0;
  keep_range(out, s.start, s.start + utf8_offset(text, skip), s.end);
  return s.found;
}

bool fn_substr(const title_format_args& args, title_format_output& out) {
  if (args.count() != 3) return false;
  auto s = eval_arg(args, 0, out);
  int64_t from = eval_number(args, 1, out);
  int64_t to = eval_number(args, 2, out);
  std::string_view text = out.read_from(s.start);
  size_t first = from < 1 ? 0 : clamp_count(from - 1);
  size_t last = clamp_count(to);  // exclusive, in characters
  if (last <= first) {
    out.truncate(s.start);
    return s.found;
  }
  size_t begin = utf8_offset(text, first);
  size_t end = begin + utf8_offset(text.substr(begin), last - first);
  keep_range(out, s.start, s.start + begin, s.start + end);
  return s.found;
}

bool fn_insert(const title_format_args& args, title_format_output& out) {
  if (args.count() != 3) return false;
  auto s = eval_arg(args, 0, out);
  std::string t = eval_string(args, 1, out);
  size_t n = clamp_count(eval_number(args, 2, out));
  std::string text(out.read_from(s.start));
  text.insert(utf8_offset(text, n), t);
  replace_from(out, s.start, text);
  return s.found;
}

bool fn_replace(const title_format_args& args, title_format_output& out) {
  if (args.count() < 3) return false;
  auto s = eval_arg(args, 0, out);
  std::vector<std::pair<std::string, std::string>> pairs;
  for (size_t i = 1; i + 1 < args.count(); i += 2) {
    std::string from = eval_string(args, i, out);
    std::string to = eval_string(args, i + 1, out);
    pairs.emplace_back(std::move(from), std::move(to));
  }
  std::string text(out.read_from(s.start));
  out.truncate(s.start);
  std::string_view view = text;
  for (size_t pos = 0; pos < view.size() && !out.is_full();) {
    bool replaced = false;
    for (const auto& [from, to] : pairs) {
      if (!from.empty() && view.substr(pos, from.size()) == from) {
        out.append(to);
        pos += from.size();
        replaced = true;
        break;
      }
    }
    if (!replaced) out.append_char(view[pos++]);
  }
  return s.found;
}

bool fn_repeat(const title_format_args& args, title_format_output& out) {
  if (args.count() != 2) return false;
  auto s = eval_arg(args, 0, out);
  int64_t n = eval_number(args, 1, out);
  std::string text(out.read_from(s.start));
  out.truncate(s.start);
  if (text.empty()) return s.found;
  size_t written = 0;
  for (int64_t i = 0; i < n && written < max_repeat_bytes; ++i) {
    out.append(text);
    written += text.size();
  }
  return s.found;
}

namespace {

// $abbr keeps brackets inside words.
bool is_abbr_separator(char32_t c) {
  return c != '[' && c != ']' && is_word_separator(c);
}

bool is_roman_letter(char c) {
  return c == 'I' || c == 'V' || c == 'X' || c == 'L' || c == 'C' || c == 'D' || c == 'M';
}

// The word starting at text[pos], up to the next separator (bytes).
std::string_view word_at(std::string_view text, size_t pos) {
  size_t end = pos;
  while (end < text.size()) {
    size_t next = end;
    if (is_abbr_separator(utf8_next(text, next))) break;
    end = next;
  }
  return text.substr(pos, end - pos);
}

bool keep_whole(std::string_view word) {
  if (word == "RPG" || word == "OST") return true;
  bool all_roman = true, all_digits = true;
  for (char c : word) {
    all_roman &= is_roman_letter(c);
    all_digits &= c >= '0' && c <= '9';
  }
  return all_roman || all_digits;
}

}  // namespace

bool fn_abbr(const title_format_args& args, title_format_output& out) {
  if (args.count() != 1 && args.count() != 2) return false;
  auto s = eval_arg(args, 0, out);
  int64_t n = args.count() == 2 ? eval_number(args, 1, out) : 0;
  std::string text(out.read_from(s.start));
  if (args.count() == 2 && int64_t(utf8_length(text)) < n) return s.found;
  out.truncate(s.start);
  for (size_t pos = 0; pos < text.size();) {
    size_t next = pos;
    if (is_abbr_separator(utf8_next(text, next))) {
      pos = next;
      continue;
    }
    std::string_view word = word_at(text, pos);
    out.append(keep_whole(word) ? word : std::string_view(text).substr(pos, next - pos));
    pos += word.size();
  }
  return s.found;
}

bool fn_len(const title_format_args& args, title_format_output& out) {
  if (args.count() != 1) return false;
  auto s = eval_arg(args, 0, out);
  size_t length = utf8_length(out.read_from(s.start));
  out.truncate(s.start);
  write_number(out, int64_t(length));
  return s.found;
}

namespace {

// Evaluates every argument once, keeps the one that `better` prefers (first on ties).
template <typename Better>
bool pick_arg(const title_format_args& args, title_format_output& out, Better better) {
  if (args.count() < 1) return false;
  size_t mark = out.mark();
  auto best = eval_arg(args, 0, out);
  size_t best_length = utf8_length(out.read_from(best.start));
  for (size_t i = 1; i < args.count(); ++i) {
    auto candidate = eval_arg(args, i, out);
    size_t length = utf8_length(out.read_from(candidate.start));
    if (better(length, best_length)) {
      out.collapse(mark, candidate.start);
      best = {mark, mark + (candidate.end - candidate.start), candidate.found};
      best_length = length;
    } else {
      out.truncate(candidate.start);
    }
  }
  return best.found;
}

}  // namespace

bool fn_longest(const title_format_args& args, title_format_output& out) {
  return pick_arg(args, out, [](size_t a, size_t b) { return a > b; });
}

bool fn_shortest(const title_format_args& args, title_format_output& out) {
  return pick_arg(args, out, [](size_t a, size_t b) { return a < b; });
}

namespace {

enum class search { first, last };

bool find_char(const title_format_args& args, title_format_output& out, search direction) {
  if (args.count() != 2) return false;
  auto s = eval_arg(args, 0, out);
  std::string c = first_char(eval_string(args, 1, out), "");
  std::string text(out.read_from(s.start));
  out.truncate(s.start);
  size_t position = 0;
  if (!c.empty()) {
    size_t index = 1;
    for (size_t pos = 0; pos < text.size(); ++index) {
      size_t start = pos;
      utf8_next(text, pos);
      if (std::string_view(text).substr(start, pos - start) == c) {
        position = index;
        if (direction == search::first) break;
      }
    }
  }
  write_number(out, int64_t(position));
  return position != 0;
}

}  // namespace

bool fn_strchr(const title_format_args& args, title_format_output& out) {
  return find_char(args, out, search::first);
}

bool fn_strrchr(const title_format_args& args, title_format_output& out) {
  return find_char(args, out, search::last);
}

bool fn_strstr(const title_format_args& args, title_format_output& out) {
  if (args.count() != 2) return false;
  size_t mark = out.mark();
  auto s = eval_arg(args, 0, out);
  auto t = eval_arg(args, 1, out);
  std::string_view text = out.read();
  std::string_view haystack = text.substr(s.start, s.end - s.start);
  std::string_view needle = text.substr(t.start, t.end - t.start);
  size_t position = 0;
  if (!needle.empty()) {
    size_t at = haystack.find(needle);
    if (at != std::string_view::npos) position = utf8_length(haystack.substr(0, at)) + 1;
  }
  out.truncate(mark);
  write_number(out, int64_t(position));
  return position != 0;
}

bool fn_fix_eol(const title_format_args& args, title_format_output& out) {
  if (args.count() != 1 && args.count() != 2) return false;
  auto s = eval_arg(args, 0, out);
  size_t eol = out.read_from(s.start).find_first_of("\r\n");
  if (eol == std::string_view::npos) return s.found;
  out.truncate(s.start + eol);
  if (args.count() == 2)
    args.evaluate(1, out);
  else
    out.append(" (...)");
  return s.found;
}

bool fn_crlf(const title_format_args& args, title_format_output& out) {
  if (args.count() == 0) out.append("\r\n");
  return false;
}

bool fn_tab(const title_format_args& args, title_format_output& out) {
  if (args.count() == 0) {
    out.append_char('\t');
  } else if (args.count() == 1) {
    out.append_repeated("\t", clamp_count(eval_number(args, 0, out), max_tabs));
  }
  return false;
}

namespace {

// Length in bytes of the prefix at the start of text followed by a space, or 0.
size_t match_prefix(std::string_view text, std::string_view prefix) {
  size_t i = 0, j = 0;
  while (j < prefix.size()) {
    if (i >= text.size()) return 0;
    if (title_format_char_lower(utf8_next(text, i)) !=
        title_format_char_lower(utf8_next(prefix, j)))
      return 0;
  }
  if (i >= text.size() || text[i] != ' ') return 0;
  return i;
}

bool prefix_impl(const title_format_args& args, title_format_output& out, bool swap) {
  if (args.count() < 1) return false;
  auto s = eval_arg(args, 0, out);
  std::vector<std::string> prefixes;
  for (size_t i = 1; i < args.count(); ++i) prefixes.push_back(eval_string(args, i, out));
  if (args.count() == 1) prefixes = {"the", "a"};
  std::string_view text = out.read_from(s.start);
  for (const auto& prefix : prefixes) {
    if (prefix.empty()) continue;
    size_t length = match_prefix(text, prefix);
    if (length == 0) continue;
    std::string result(text.substr(length + 1));
    if (swap) {
      result += ", ";
      result += text.substr(0, length);
    }
    replace_from(out, s.start, result);
    break;
  }
  return s.found;
}

}  // namespace

bool fn_stripprefix(const title_format_args& args, title_format_output& out) {
  return prefix_impl(args, out, false);
}

bool fn_swapprefix(const title_format_args& args, title_format_output& out) {
  return prefix_impl(args, out, true);
}

}  // namespace lumo::tf
