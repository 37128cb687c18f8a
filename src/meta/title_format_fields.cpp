#include "meta/title_format_fields.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/case_map.h"
#include "meta/time_text.h"

namespace lumo {
namespace {

bool is_separator(char c) {
  return c == '\\' || c == '/';
}

void write_subsong_padded(title_format_field_output& out, uint32_t subsong) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%010u", static_cast<unsigned>(subsong));
  out.write(buffer, title_format_text_kind::other);
}

}  // namespace

bool ascii_equal_ignoring_case(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (ascii_to_lower(a[i]) != ascii_to_lower(b[i])) return false;
  return true;
}

namespace {

constexpr size_t longest_known_name = 14;

}  // namespace

special_field find_known_field(std::string_view name) {
  using f = special_field;
  if (name.size() > longest_known_name) return f::none;
  // Lower-case once into a small buffer; each candidate is then a fixed-size memcmp.
  char lowered[longest_known_name];
  for (size_t i = 0; i < name.size(); ++i) lowered[i] = ascii_to_lower(name[i]);
  auto is = [&](std::string_view lower) {
    return std::memcmp(lowered, lower.data(), lower.size()) == 0;
  };
  switch (name.size()) {
    case 4:
      if (is("path")) return f::path;
      if (is("date")) return f::date;
      break;
    case 5:
      if (is("title")) return f::title;
      if (is("album")) return f::album;
      if (is("genre")) return f::genre;
      break;
    case 6:
      if (is("artist")) return f::artist;
      if (is("length")) return f::length;
      break;
    case 7:
      if (is("subsong")) return f::subsong;
      break;
    case 8:
      if (is("filename")) return f::filename;
      break;
    case 9:
      if (is("path_sort")) return f::path_sort;
      if (is("directory")) return f::directory;
      if (is("length_ex")) return f::length_ex;
      break;
    case 10:
      if (is("discnumber")) return f::discnumber;
      break;
    case 11:
      if (is("tracknumber")) return f::tracknumber;
      break;
    case 12:
      if (is("album artist")) return f::album_artist;
      if (is("track artist")) return f::track_artist;
      if (is("filename_ext")) return f::filename_ext;
      break;
    case 13:
      if (is("filename_sort")) return f::filename_sort;
      break;
    case 14:
      if (is("length_seconds")) return f::length_seconds;
      break;
    default: break;
  }
  return f::none;
}

bool is_special_field(special_field field) {
  return field != special_field::none && field <= special_field::tracknumber;
}

bool is_location_field(special_field field) {
  switch (field) {
    case special_field::filename:
    case special_field::filename_ext:
    case special_field::filename_sort:
    case special_field::path:
    case special_field::path_sort:
    case special_field::directory:
    case special_field::subsong: return true;
    default: return false;
  }
}

bool is_length_field(special_field field) {
  return field == special_field::length || field == special_field::length_ex ||
         field == special_field::length_seconds;
}

std::string_view path_display_form(std::string_view url) {
  constexpr std::string_view file_scheme = "file://";
  if (url.substr(0, file_scheme.size()) == file_scheme) return url.substr(file_scheme.size());
  return url;
}

std::string_view path_file_name(std::string_view path, bool with_extension) {
  size_t start = path.size();
  while (start > 0 && !is_separator(path[start - 1])) --start;
  std::string_view name = path.substr(start);
  if (with_extension) return name;
  size_t dot = name.rfind('.');
  return dot == std::string_view::npos ? name : name.substr(0, dot);
}

bool write_location_field(title_format_field_output& out, special_field field,
                          const track_location& location) {
  std::string_view path = path_display_form(location.path);
  switch (field) {
    case special_field::filename: out.write(path_file_name(path, false)); return true;
    case special_field::filename_ext: out.write(path_file_name(path, true)); return true;
    case special_field::filename_sort:
      out.write(path_file_name(path, false));
      out.write("|", title_format_text_kind::other);
      write_subsong_padded(out, location.subsong_index);
      return true;
    case special_field::path:
      out.write(path.empty() ? std::string_view("n/a") : path, title_format_text_kind::other);
      return true;
    case special_field::path_sort:
      out.write(path, title_format_text_kind::other);
      out.write("|", title_format_text_kind::other);
      write_subsong_padded(out, location.subsong_index);
      return true;
    case special_field::directory: {
      size_t end = path.size();
      while (end > 0 && !is_separator(path[end - 1])) --end;
      if (end == 0) return false;
      out.write(path_file_name(path.substr(0, end - 1), true));
      return true;
    }
    case special_field::subsong: {
      char buffer[16];
      auto result = std::to_chars(buffer, buffer + sizeof buffer, location.subsong_index);
      out.write(std::string_view(buffer, size_t(result.ptr - buffer)),
                title_format_text_kind::other);
      return true;
    }
    default: return false;
  }
}

bool write_length_field(title_format_field_output& out, special_field field, double length) {
  if (!(length > 0)) return false;
  switch (field) {
    case special_field::length:
      out.write(format_time_text(length), title_format_text_kind::other);
      return true;
    case special_field::length_ex:
      out.write(format_time_text_ms(length), title_format_text_kind::other);
      return true;
    case special_field::length_seconds: {
      double rounded = std::min(std::floor(length + 0.5), 9.2e18);
      char buffer[24];
      auto result = std::to_chars(buffer, buffer + sizeof buffer, static_cast<int64_t>(rounded));
      out.write(std::string_view(buffer, size_t(result.ptr - buffer)),
                title_format_text_kind::other);
      return true;
    }
    default: return false;
  }
}

}  // namespace lumo
