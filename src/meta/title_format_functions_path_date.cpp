// Path and date functions.
#include "meta/title_format_functions.h"

namespace lumo::tf {
namespace {

constexpr size_t max_extension_bytes = 32;

bool is_path_separator(char c) {
  return c == '\\' || c == '/' || c == '|' || c == ':';
}

// Byte offset where the last component of path starts.
size_t last_component_start(std::string_view path) {
  size_t i = path.size();
  while (i > 0 && !is_path_separator(path[i - 1])) --i;
  return i;
}

}  // namespace

bool fn_filename(const title_format_args& args, title_format_output& out) {
  if (args.count() != 1) return false;
  auto s = eval_arg(args, 0, out);
  std::string_view path = out.read_from(s.start);
  size_t start = last_component_start(path);
  size_t dot = path.rfind('.');
  size_t end = (dot != std::string_view::npos && dot >= start) ? dot : path.size();
  keep_range(out, s.start, s.start + start, s.start + end);
  return s.found;
}

bool fn_ext(const title_format_args& args, title_format_output& out) {
  if (args.count() != 1) return false;
  auto s = eval_arg(args, 0, out);
  std::string_view path = out.read_from(s.start);
  size_t start = last_component_start(path);
  size_t dot = path.rfind('.');
  if (dot == std::string_view::npos || dot < start) {
    out.truncate(s.start);
    return false;
  }
  std::string_view ext = path.substr(dot + 1);
  ext = ext.substr(0, ext.find('?'));
  if (ext.size() >= max_extension_bytes) {
    out.truncate(s.start);
    return false;
  }
  keep_range(out, s.start, s.start + dot + 1, s.start + dot + 1 + ext.size());
  return s.found && !ext.empty();
}

// Removes `levels` trailing components, then keeps the last remaining one. Runs of
// separators ("C:\") count as one.
bool fn_directory(const title_format_args& args, title_format_output& out) {
  if (args.count() != 1 && args.count() != 2) return false;
  auto s = eval_arg(args, 0, out);
  int64_t levels = args.count() == 2 ? eval_number(args, 1, out) : 1;
  std::string_view path = out.read_from(s.start);
  size_t end = path.size();
  bool ran_out = levels < 0;
  for (int64_t i = 0; i < levels && !ran_out; ++i) {
    while (end > 0 && !is_path_separator(path[end - 1])) --end;
    if (end == 0) ran_out = true;
    while (end > 0 && is_path_separator(path[end - 1])) --end;
    if (end == 0) ran_out = true;
  }
  if (ran_out) {
    out.truncate(s.start);
    return false;
  }
  size_t start = last_component_start(path.substr(0, end));
  keep_range(out, s.start, s.start + start, s.start + end);
  return s.found;
}

bool fn_directory_path(const title_format_args& args, title_format_output& out) {
  if (args.count() != 1) return false;
  auto s = eval_arg(args, 0, out);
  std::string_view path = out.read_from(s.start);
  size_t start = last_component_start(path);
  if (start == 0) {
    out.truncate(s.start);
    return false;
  }
  out.truncate(s.start + start - 1);
  return s.found;
}

namespace {

struct parsed_date {
  int year = 0;
  int month = 0;
  int day = 0;
};

bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

// Reads `count` digits at text[pos]; -1 when they are not all there.
int read_digits(std::string_view text, size_t pos, size_t count) {
  if (pos + count > text.size()) return -1;
  int value = 0;
  for (size_t i = 0; i < count; ++i) {
    if (!is_digit(text[pos + i])) return -1;
    value = value * 10 + (text[pos + i] - '0');
  }
  return value;
}

// "YYYY", "YYYY-MM" or "YYYY-MM-DD", optionally followed by a space and anything.
// Anything else is all zeros.
parsed_date parse_date(std::string_view text) {
  int year = read_digits(text, 0, 4);
  if (year < 0) return {};
  size_t pos = 4;
  int month = 0, day = 0;
  if (pos < text.size() && text[pos] == '-') {
    month = read_digits(text, pos + 1, 2);
    if (month < 1 || month > 12) return {};
    pos += 3;
    if (pos < text.size() && text[pos] == '-') {
      day = read_digits(text, pos + 1, 2);
      if (day < 1 || day > 31) return {};
      pos += 3;
    }
  }
  if (pos < text.size() && text[pos] != ' ') return {};
  return {year, month, day};
}

void write_digits(title_format_output& out, int value, int width) {
  char buffer[8];
  for (int i = width - 1; i >= 0; --i) {
    buffer[i] = char('0' + value % 10);
    value /= 10;
  }
  out.append(std::string_view(buffer, size_t(width)));
}

// Evaluates the date argument, parses it and drops its text.
bool eval_date(const title_format_args& args, title_format_output& out, parsed_date& date) {
  auto s = eval_arg(args, 0, out);
  date = parse_date(out.read_from(s.start));
  out.truncate(s.start);
  return s.found;
}

}  // namespace

bool fn_year(const title_format_args& args, title_format_output& out) {
  if (args.count() != 1) return false;
  parsed_date date;
  bool found = eval_date(args, out, date);
  write_digits(out, date.year, 4);
  return found;
}

bool fn_month(const title_format_args& args, title_format_output& out) {
  if (args.count() != 1) return false;
  parsed_date date;
  bool found = eval_date(args, out, date);
  write_digits(out, date.month, 2);
  return found && date.month != 0;
}

bool fn_day_of_month(const title_format_args& args, title_format_output& out) {
  if (args.count() != 1) return false;
  parsed_date date;
  bool found = eval_date(args, out, date);
  write_digits(out, date.day, 2);
  return found && date.day != 0;
}

bool fn_date(const title_format_args& args, title_format_output& out) {
  if (args.count() != 1) return false;
  parsed_date date;
  bool found = eval_date(args, out, date);
  write_digits(out, date.year, 4);
  if (date.month != 0) {
    out.append_char('-');
    write_digits(out, date.month, 2);
  }
  if (date.day != 0) {
    out.append_char('-');
    write_digits(out, date.day, 2);
  }
  return found;
}

namespace {

// True when text[pos..] matches pattern, where '0' stands for any digit.
bool matches_pattern(std::string_view text, size_t pos, std::string_view pattern) {
  if (pos + pattern.size() > text.size()) return false;
  for (size_t i = 0; i < pattern.size(); ++i) {
    char p = pattern[i];
    char c = text[pos + i];
    if (p == '0' ? !is_digit(c) : c != p) return false;
  }
  return true;
}

bool only_spaces(std::string_view text) {
  return text.find_first_not_of(' ') == text.npos;
}

}  // namespace

bool fn_time(const title_format_args& args, title_format_output& out) {
  if (args.count() != 1) return false;
  auto s = eval_arg(args, 0, out);
  std::string_view text = out.read_from(s.start);
  size_t pos = matches_pattern(text, 0, "0000-00-00") ? 10 : 0;
  while (pos < text.size() && text[pos] == ' ') ++pos;
  for (std::string_view pattern : {"00:00:00", "00:00"}) {
    if (matches_pattern(text, pos, pattern) && only_spaces(text.substr(pos + pattern.size()))) {
      keep_range(out, s.start, s.start + pos, s.start + pos + pattern.size());
      return s.found;
    }
  }
  out.truncate(s.start);
  out.append_char('?');
  return false;
}

}  // namespace lumo::tf
