// Colour codes and progress bars. A colour code is 0x03, six upper-case hex digits in
// blue, green, red order, optionally "|" and a second colour for the selected state,
// then 0x03; 0x03 0x03 resets the colour. List views split their text at these markers.
#include <cmath>
#include <optional>

#include "core/unicode.h"
#include "meta/title_format_functions.h"

namespace lumo::tf {
namespace {

constexpr char colour_marker = '\x03';

struct rgb_colour {
  int64_t r = 0, g = 0, b = 0;
};

struct colour_code {
  rgb_colour normal;
  std::optional<rgb_colour> selected;
};

int64_t clamp_component(int64_t c) {
  return std::clamp<int64_t>(c, 0, 255);
}

void append_colour(std::string& text, const rgb_colour& c) {
  static constexpr char digits[] = "0123456789ABCDEF";
  for (int64_t v : {c.b, c.g, c.r}) {
    v = clamp_component(v);
    text.push_back(digits[v >> 4]);
    text.push_back(digits[v & 15]);
  }
}

std::string colour_text(const colour_code& code) {
  std::string text(1, colour_marker);
  append_colour(text, code.normal);
  if (code.selected) {
    text.push_back('|');
    append_colour(text, *code.selected);
  }
  text.push_back(colour_marker);
  return text;
}

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::optional<rgb_colour> parse_colour(std::string_view text) {
  if (text.size() != 6) return std::nullopt;
  int64_t v[3];
  for (int i = 0; i < 3; ++i) {
    int hi = hex_value(text[2 * i]), lo = hex_value(text[2 * i + 1]);
    if (hi < 0 || lo < 0) return std::nullopt;
    v[i] = hi * 16 + lo;
  }
  return rgb_colour{v[2], v[1], v[0]};
}

// The whole text must be one colour code.
std::optional<colour_code> parse_colour_code(std::string_view text) {
  if (text.size() < 8 || text.front() != colour_marker || text.back() != colour_marker)
    return std::nullopt;
  text = text.substr(1, text.size() - 2);
  colour_code code;
  auto normal = parse_colour(text.substr(0, 6));
  if (!normal) return std::nullopt;
  code.normal = *normal;
  if (text.size() == 6) return code;
  if (text.size() != 13 || text[6] != '|') return std::nullopt;
  code.selected = parse_colour(text.substr(7));
  if (!code.selected) return std::nullopt;
  return code;
}

rgb_colour blend_colour(const rgb_colour& a, const rgb_colour& b, int64_t t, int64_t range) {
  auto mix = [&](int64_t x, int64_t y) { return x + (y - x) * t / range; };
  return {mix(a.r, b.r), mix(a.g, b.g), mix(a.b, b.b)};
}

colour_code blend_codes(const colour_code& a, const colour_code& b, int64_t pos, int64_t range) {
  int64_t t = 1;
  if (range > 0) {
    // Positions past the range run back and forth between the two colours.
    uint64_t period = 2 * uint64_t(range);
    uint64_t magnitude = pos < 0 ? 0 - uint64_t(pos) : uint64_t(pos);
    t = int64_t(magnitude % period);
    if (t > range) t = int64_t(period) - t;
  } else {
    range = 2;
  }
  colour_code result;
  result.normal = blend_colour(a.normal, b.normal, t, range);
  if (a.selected && b.selected) result.selected = blend_colour(*a.selected, *b.selected, t, range);
  return result;
}

// Reads count numbers from args starting at first.
void eval_numbers(const title_format_args& args, title_format_output& out, size_t first,
                  size_t count, int64_t* values) {
  for (size_t i = 0; i < count; ++i) values[i] = eval_number(args, first + i, out);
}

double hue_component(double p, double q, double h) {
  if (h < 0) h += 6;
  if (h >= 6) h -= 6;
  if (h < 1) return p + (q - p) * h;
  if (h < 3) return q;
  if (h < 4) return p + (q - p) * (4 - h);
  return p;
}

rgb_colour hsl_to_rgb(int64_t h, int64_t s, int64_t l) {
  h = std::clamp<int64_t>(h, 0, 240);
  s = std::clamp<int64_t>(s, 0, 240);
  l = std::clamp<int64_t>(l, 0, 240);
  double light = double(l) / 240.0;
  auto to_byte = [](double v) { return clamp_component(std::llround(v * 255.0)); };
  if (s == 0) {
    int64_t grey = to_byte(light);
    return {grey, grey, grey};
  }
  double sat = double(s) / 240.0;
  double q = light < 0.5 ? light * (1 + sat) : light + sat - light * sat;
  double p = 2 * light - q;
  double hue = double(h) * 0.025;  // six sectors of 40 units
  return {to_byte(hue_component(p, q, hue + 2)), to_byte(hue_component(p, q, hue)),
          to_byte(hue_component(p, q, hue - 2))};
}

// $rgb and $hsl share their argument shapes: none, one colour, or two.
template <typename Convert>
bool colour_function(const title_format_args& args, title_format_output& out, Convert convert) {
  size_t n = args.count();
  if (n == 0) {
    out.append(std::string_view("\x03\x03", 2));
    return false;
  }
  if (n != 3 && n != 6) return false;
  int64_t v[6];
  eval_numbers(args, out, 0, n, v);
  colour_code code;
  code.normal = convert(v[0], v[1], v[2]);
  if (n == 6) code.selected = convert(v[3], v[4], v[5]);
  out.append(colour_text(code));
  return false;
}

}  // namespace

bool fn_rgb(const title_format_args& args, title_format_output& out) {
  return colour_function(args, out, [](int64_t r, int64_t g, int64_t b) {
    return rgb_colour{r, g, b};
  });
}

bool fn_hsl(const title_format_args& args, title_format_output& out) {
  return colour_function(args, out, hsl_to_rgb);
}

bool fn_blend(const title_format_args& args, title_format_output& out) {
  if (args.count() != 4) return false;
  auto a = parse_colour_code(eval_string(args, 0, out));
  auto b = parse_colour_code(eval_string(args, 1, out));
  int64_t pos = eval_number(args, 2, out);
  int64_t range = eval_number(args, 3, out);
  if (!a || !b) return false;
  out.append(colour_text(blend_codes(*a, *b, pos, range)));
  return true;
}

bool fn_transition(const title_format_args& args, title_format_output& out) {
  if (args.count() < 3 || args.count() > 5) return false;
  auto s = eval_arg(args, 0, out);
  std::string text(out.read_from(s.start));
  out.truncate(s.start);
  auto a = parse_colour_code(eval_string(args, 1, out));
  auto b = parse_colour_code(eval_string(args, 2, out));
  int64_t start = args.count() >= 4 ? eval_number(args, 3, out) : 0;
  int64_t length = int64_t(utf8_length(text));
  int64_t range = args.count() >= 5 ? eval_number(args, 4, out) : length - 1;
  if (!a || !b) {
    out.append(text);
    return s.found;
  }
  int64_t i = 0;
  for (size_t pos = 0; pos < text.size() && !out.is_full(); ++i) {
    size_t char_start = pos;
    utf8_next(text, pos);
    out.append(colour_text(blend_codes(*a, *b, int64_t(uint64_t(start) + uint64_t(i)), range)));
    out.append(std::string_view(text).substr(char_start, pos - char_start));
  }
  out.append(std::string_view("\x03\x03", 2));
  return s.found;
}

namespace {

constexpr int64_t max_bar_elements = 256;

struct bar_args {
  int64_t pos, range, len;
  bool found;
};

bar_args eval_bar(const title_format_args& args, title_format_output& out) {
  bool pos_found = false, range_found = false;
  bar_args bar;
  bar.pos = eval_number(args, 0, out, &pos_found);
  bar.range = std::max<int64_t>(eval_number(args, 1, out, &range_found), 1);
  bar.len = std::clamp<int64_t>(eval_number(args, 2, out), 1, max_bar_elements);
  bar.found = pos_found && range_found;
  return bar;
}

__extension__ typedef __int128 int128;

// a * b / c rounded to the nearest integer, halves away from zero, as MulDiv does.
int64_t mul_div_round(int64_t a, int64_t b, int64_t c) {
  int128 product = int128(a) * b;
  bool negative = (product < 0) != (c < 0);
  int128 num = product < 0 ? -product : product;
  int128 den = c < 0 ? -int128(c) : int128(c);
  int128 q = (num + den / 2) / den;
  int128 result = negative ? -q : q;
  if (result > INT64_MAX) return INT64_MAX;
  if (result < INT64_MIN) return INT64_MIN;
  return int64_t(result);
}

void write_bar(const title_format_args& args, title_format_output& out, int64_t len, int64_t a_from,
               int64_t a_to) {
  std::string a = eval_string(args, 3, out);
  std::string b = eval_string(args, 4, out);
  for (int64_t i = 0; i < len; ++i) out.append(i >= a_from && i < a_to ? a : b);
}

}  // namespace

bool fn_progress(const title_format_args& args, title_format_output& out) {
  if (args.count() != 5) return false;
  bar_args bar = eval_bar(args, out);
  int64_t marker = std::clamp<int64_t>(mul_div_round(bar.pos, bar.len, bar.range), 0, bar.len - 1);
  write_bar(args, out, bar.len, marker, marker + 1);
  return bar.found;
}

bool fn_progress2(const title_format_args& args, title_format_output& out) {
  if (args.count() != 5) return false;
  bar_args bar = eval_bar(args, out);
  int128 filled = (int128(bar.len) * bar.pos + (bar.range - 1) / 2) / bar.range;
  int64_t count = int64_t(filled < 0 ? 0 : filled > bar.len ? bar.len : filled);
  write_bar(args, out, bar.len, 0, count);
  return bar.found;
}

}  // namespace lumo::tf
