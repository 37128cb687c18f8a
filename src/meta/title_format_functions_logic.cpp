// Control flow, logic, arithmetic, number formatting and variables, plus the helpers
// every function file shares.
#include <charconv>
#include <cstring>
#include <limits>

#include "core/unicode.h"
#include "meta/crc32.h"
#include "meta/title_format_functions.h"
#include "meta/title_format_text.h"

namespace lumo::tf {

int64_t parse_number(std::string_view text) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  uint64_t value = 0;
  constexpr uint64_t limit = uint64_t(std::numeric_limits<int64_t>::max()) + 1;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + uint64_t(text[i] - '0');
    if (value >= limit) {
      value = limit;
      // Skip the remaining digits: the number saturates.
      while (i + 1 < text.size() && text[i + 1] >= '0' && text[i + 1] <= '9') ++i;
    }
  }
  if (negative) return value == limit ? std::numeric_limits<int64_t>::min() : -int64_t(value);
  return value >= limit ? std::numeric_limits<int64_t>::max() : int64_t(value);
}

void write_number(title_format_output& out, int64_t value) {
  char buffer[24];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(std::string_view(buffer, size_t(result.ptr - buffer)));
}

evaluated_arg eval_arg(const title_format_args& args, size_t index, title_format_output& out) {
  size_t start = out.mark();
  bool found = args.evaluate(index, out);
  return {start, out.mark(), found};
}

int64_t eval_number(const title_format_args& args, size_t index, title_format_output& out,
                    bool* found) {
  auto arg = eval_arg(args, index, out);
  int64_t value = parse_number(out.read_from(arg.start));
  out.truncate(arg.start);
  if (found) *found = arg.found;
  return value;
}

std::string eval_string(const title_format_args& args, size_t index, title_format_output& out,
                        bool* found) {
  auto arg = eval_arg(args, index, out);
  std::string text(out.read_from(arg.start));
  out.truncate(arg.start);
  if (found) *found = arg.found;
  return text;
}

size_t utf8_length(std::string_view text) {
  size_t count = 0;
  for (size_t pos = 0; pos < text.size(); ++count) utf8_next(text, pos);
  return count;
}

size_t utf8_offset(std::string_view text, size_t chars) {
  size_t pos = 0;
  for (size_t i = 0; i < chars && pos < text.size(); ++i) utf8_next(text, pos);
  return pos;
}

void keep_range(title_format_output& out, size_t mark, size_t from, size_t to) {
  out.truncate(to);
  out.collapse(mark, from);
}

namespace {

// Evaluates argument index and drops what it wrote; returns its found flag.
bool eval_discard(const title_format_args& args, size_t index, title_format_output& out) {
  size_t mark = out.mark();
  bool found = args.evaluate(index, out);
  out.truncate(mark);
  return found;
}

bool invalid(title_format_output& out, std::string_view text) {
  out.append(text);
  return false;
}

// Signed 64-bit arithmetic wraps instead of overflowing into undefined behaviour.
int64_t wrap_add(int64_t a, int64_t b) {
  return int64_t(uint64_t(a) + uint64_t(b));
}
int64_t wrap_sub(int64_t a, int64_t b) {
  return int64_t(uint64_t(a) - uint64_t(b));
}
int64_t wrap_mul(int64_t a, int64_t b) {
  return int64_t(uint64_t(a) * uint64_t(b));
}
int64_t safe_div(int64_t a, int64_t b) {
  if (b == -1) return int64_t(0 - uint64_t(a));
  return a / b;
}
int64_t safe_mod(int64_t a, int64_t b) {
  return b == -1 ? 0 : a % b;
}

// Folds every argument as a number through op; found when any argument is found.
template <typename Op>
bool fold_numbers(const title_format_args& args, title_format_output& out, int64_t initial,
                  size_t first, Op op) {
  bool any_found = false;
  int64_t value = initial;
  for (size_t i = first; i < args.count(); ++i) {
    bool found = false;
    int64_t n = eval_number(args, i, out, &found);
    any_found |= found;
    value = op(value, n);
  }
  write_number(out, value);
  return any_found;
}

// Runs then (index) or else (index + 1) into out.
bool branch(const title_format_args& args, title_format_output& out, bool condition,
            size_t then_index) {
  return args.evaluate(condition ? then_index : then_index + 1, out);
}

}  // namespace

bool fn_if(const title_format_args& args, title_format_output& out) {
  if (args.count() != 2 && args.count() != 3) return invalid(out, "[INVALID $IF SYNTAX]");
  if (eval_discard(args, 0, out)) return args.evaluate(1, out);
  return args.evaluate(2, out);
}

bool fn_if2(const title_format_args& args, title_format_output& out) {
  if (args.count() != 2) return invalid(out, "[INVALID $IF2 SYNTAX]");
  size_t mark = out.mark();
  if (args.evaluate(0, out)) return true;
  out.truncate(mark);
  return args.evaluate(1, out);
}

bool fn_if3(const title_format_args& args, title_format_output& out) {
  if (args.count() < 2) return false;
  size_t mark = out.mark();
  for (size_t i = 0; i + 1 < args.count(); ++i) {
    if (args.evaluate(i, out)) return true;
    out.truncate(mark);
  }
  return args.evaluate(args.count() - 1, out);
}

bool fn_iflonger(const title_format_args& args, title_format_output& out) {
  if (args.count() != 4) return invalid(out, "[INVALID $IFLONGER SYNTAX]");
  auto s = eval_arg(args, 0, out);
  size_t length = utf8_length(out.read_from(s.start));
  out.truncate(s.start);
  int64_t n = eval_number(args, 1, out);
  return branch(args, out, n < 0 || length > uint64_t(n), 2);
}

bool fn_ifgreater(const title_format_args& args, title_format_output& out) {
  if (args.count() != 4) return invalid(out, "[INVALID $IFGREATER SYNTAX]");
  int64_t a = eval_number(args, 0, out);
  int64_t b = eval_number(args, 1, out);
  return branch(args, out, a > b, 2);
}

bool fn_ifequal(const title_format_args& args, title_format_output& out) {
  if (args.count() != 4) return invalid(out, "[INVALID $IFEQUAL SYNTAX]");
  int64_t a = eval_number(args, 0, out);
  int64_t b = eval_number(args, 1, out);
  return branch(args, out, a == b, 2);
}

bool fn_select(const title_format_args& args, title_format_output& out) {
  if (args.count() < 1) return false;
  int64_t n = eval_number(args, 0, out);
  if (n < 1 || uint64_t(n) >= args.count()) return false;
  return args.evaluate(size_t(n), out);
}

bool fn_and(const title_format_args& args, title_format_output& out) {
  bool all = true;
  for (size_t i = 0; i < args.count(); ++i) all &= eval_discard(args, i, out);
  return all;
}

bool fn_or(const title_format_args& args, title_format_output& out) {
  bool any = false;
  for (size_t i = 0; i < args.count(); ++i) any |= eval_discard(args, i, out);
  return any;
}

bool fn_xor(const title_format_args& args, title_format_output& out) {
  bool odd = false;
  for (size_t i = 0; i < args.count(); ++i) odd ^= eval_discard(args, i, out);
  return odd;
}

bool fn_not(const title_format_args& args, title_format_output& out) {
  if (args.count() != 1) return false;
  return !eval_discard(args, 0, out);
}

bool fn_greater(const title_format_args& args, title_format_output& out) {
  if (args.count() != 2) return false;
  int64_t a = eval_number(args, 0, out);
  return a > eval_number(args, 1, out);
}

bool fn_longer(const title_format_args& args, title_format_output& out) {
  if (args.count() != 2) return false;
  size_t mark = out.mark();
  auto a = eval_arg(args, 0, out);
  auto b = eval_arg(args, 1, out);
  std::string_view text = out.read();
  bool longer = utf8_length(text.substr(a.start, a.end - a.start)) >
                utf8_length(text.substr(b.start, b.end - b.start));
  out.truncate(mark);
  return longer;
}

namespace {

bool compare_args(const title_format_args& args, title_format_output& out, bool ignore_case) {
  if (args.count() != 2) return false;
  size_t mark = out.mark();
  auto a = eval_arg(args, 0, out);
  auto b = eval_arg(args, 1, out);
  std::string_view text = out.read();
  std::string_view ta = text.substr(a.start, a.end - a.start);
  std::string_view tb = text.substr(b.start, b.end - b.start);
  bool equal = ignore_case ? text_equal_ignoring_case(ta, tb) : ta == tb;
  out.truncate(mark);
  if (equal) out.append_char('1');
  return equal;
}

}  // namespace

bool fn_strcmp(const title_format_args& args, title_format_output& out) {
  return compare_args(args, out, false);
}

bool fn_stricmp(const title_format_args& args, title_format_output& out) {
  return compare_args(args, out, true);
}

bool fn_null(const title_format_args&, title_format_output&) {
  return false;
}

bool fn_add(const title_format_args& args, title_format_output& out) {
  return fold_numbers(args, out, 0, 0, wrap_add);
}

bool fn_mul(const title_format_args& args, title_format_output& out) {
  return fold_numbers(args, out, 1, 0, wrap_mul);
}

namespace {

// The first argument, then op with each following one.
template <typename Op>
bool fold_from_first(const title_format_args& args, title_format_output& out, Op op) {
  if (args.count() < 1) return false;
  bool found = false;
  int64_t first = eval_number(args, 0, out, &found);
  return fold_numbers(args, out, first, 1, op) || found;
}

}  // namespace

bool fn_sub(const title_format_args& args, title_format_output& out) {
  return fold_from_first(args, out, wrap_sub);
}

bool fn_div(const title_format_args& args, title_format_output& out) {
  return fold_from_first(args, out,
                         [](int64_t a, int64_t b) { return b == 0 ? a : safe_div(a, b); });
}

bool fn_mod(const title_format_args& args, title_format_output& out) {
  return fold_from_first(args, out,
                         [](int64_t a, int64_t b) { return b == 0 ? a : safe_mod(a, b); });
}

bool fn_min(const title_format_args& args, title_format_output& out) {
  return fold_from_first(args, out, [](int64_t a, int64_t b) { return b < a ? b : a; });
}

bool fn_max(const title_format_args& args, title_format_output& out) {
  return fold_from_first(args, out, [](int64_t a, int64_t b) { return b > a ? b : a; });
}

bool fn_muldiv(const title_format_args& args, title_format_output& out) {
  if (args.count() != 3) return false;
  int64_t a = eval_number(args, 0, out);
  int64_t b = eval_number(args, 1, out);
  int64_t c = eval_number(args, 2, out);
  if (c == 0) {
    write_number(out, -1);
    return true;
  }
  // The product may not fit in 64 bits; the quotient is cut back to 64 bits.
  __extension__ typedef __int128 int128;
  write_number(out, int64_t(static_cast<unsigned __int128>(int128(a) * b / c)));
  return true;
}

namespace {

constexpr int64_t max_number_width = 32;

void write_padded(title_format_output& out, std::string_view digits, bool negative, int64_t width) {
  width = std::clamp<int64_t>(width, 0, max_number_width);
  size_t length = digits.size() + (negative ? 1 : 0);
  if (negative) out.append_char('-');
  if (size_t(width) > length) out.append_repeated("0", size_t(width) - length);
  out.append(digits);
}

}  // namespace

bool fn_num(const title_format_args& args, title_format_output& out) {
  if (args.count() != 2) return false;
  bool found = false;
  int64_t n = eval_number(args, 0, out, &found);
  int64_t width = eval_number(args, 1, out);
  uint64_t magnitude = n < 0 ? 0 - uint64_t(n) : uint64_t(n);
  char buffer[24];
  auto end = std::to_chars(buffer, buffer + sizeof buffer, magnitude).ptr;
  write_padded(out, std::string_view(buffer, size_t(end - buffer)), n < 0, width);
  return found;
}

// Negative numbers are shown as their 64-bit two's complement, the way a debugger
// shows them.
bool fn_hex(const title_format_args& args, title_format_output& out) {
  if (args.count() != 2) return false;
  bool found = false;
  int64_t n = eval_number(args, 0, out, &found);
  int64_t width = eval_number(args, 1, out);
  char buffer[24];
  auto end = std::to_chars(buffer, buffer + sizeof buffer, uint64_t(n), 16).ptr;
  for (char* p = buffer; p != end; ++p)
    if (*p >= 'a' && *p <= 'f') *p = char(*p - 32);
  write_padded(out, std::string_view(buffer, size_t(end - buffer)), false, width);
  return found;
}

bool fn_roman(const title_format_args& args, title_format_output& out) {
  if (args.count() != 1) return false;
  bool found = false;
  int64_t n = eval_number(args, 0, out, &found);
  uint64_t value = n < 0 ? 0 - uint64_t(n) : uint64_t(n);
  constexpr uint64_t max_roman = 100000;
  if (value > max_roman) return found;
  static constexpr struct {
    uint64_t value;
    std::string_view text;
  } digits[] = {{1000, "M"}, {900, "CM"}, {500, "D"}, {400, "CD"}, {100, "C"},
                {90, "XC"},  {50, "L"},   {40, "XL"}, {10, "X"},   {9, "IX"},
                {5, "V"},    {4, "IV"},   {1, "I"}};
  for (const auto& d : digits)
    for (; value >= d.value; value -= d.value) out.append(d.text);
  return found;
}

bool fn_char(const title_format_args& args, title_format_output& out) {
  if (args.count() != 1) return false;
  int64_t code = eval_number(args, 0, out);
  bool is_surrogate = code >= 0xD800 && code <= 0xDFFF;
  if (code <= 0 || code > 0x10FFFF || is_surrogate) return false;
  std::string text;
  utf8_append(text, char32_t(code));
  out.append(text);
  return false;
}

bool fn_crc32(const title_format_args& args, title_format_output& out) {
  if (args.count() != 1) return false;
  auto s = eval_arg(args, 0, out);
  uint32_t crc = crc32_ieee(out.read_from(s.start));
  out.truncate(s.start);
  write_number(out, crc);
  return s.found;
}

namespace {

std::pair<std::string, std::string>* find_variable(title_format_context& context,
                                                   std::string_view name) {
  for (auto& variable : context.variables)
    if (text_equal_ignoring_case(variable.first, name)) return &variable;
  return nullptr;
}

bool store_variable(const title_format_args& args, title_format_output& out, bool keep_output) {
  if (args.count() != 2) return false;
  std::string name = eval_string(args, 0, out);
  auto value = eval_arg(args, 1, out);
  std::string text(out.read_from(value.start));
  if (!keep_output) out.truncate(value.start);
  auto& context = args.context();
  if (auto* variable = find_variable(context, name))
    variable->second = std::move(text);
  else
    context.variables.emplace_back(std::move(name), std::move(text));
  return value.found;
}

}  // namespace

bool fn_put(const title_format_args& args, title_format_output& out) {
  return store_variable(args, out, true);
}

bool fn_puts(const title_format_args& args, title_format_output& out) {
  return store_variable(args, out, false);
}

bool fn_get(const title_format_args& args, title_format_output& out) {
  if (args.count() != 1) return false;
  std::string name = eval_string(args, 0, out);
  auto* variable = find_variable(args.context(), name);
  if (!variable) return false;
  out.append(variable->second);
  return true;
}

}  // namespace lumo::tf
