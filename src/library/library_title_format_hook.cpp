#include "library/library_title_format_hook.h"

#include "meta/title_format_fields.h"

namespace lumo {
namespace {

using value_kind = title_format_field_value::kind;

// Column texts hold several values joined by "; "; scripts show them joined by ", ".
void write_column(title_format_field_output& out, std::string_view text) {
  if (out.has_default_filter()) return write_filtered_values_default(out.raw(), text);
  constexpr std::string_view stored_separator = "; ";
  for (;;) {
    size_t at = text.find(stored_separator);
    if (at == std::string_view::npos) break;
    out.write(text.substr(0, at));
    out.write(", ", title_format_text_kind::other);
    text.remove_prefix(at + stored_separator.size());
  }
  out.write(text);
}

// A column's value; unknown (shown as "?") when it is empty.
title_format_field_value column_value(std::string_view text) {
  if (text.empty()) return {value_kind::unknown, {}, {}};
  return {value_kind::values, {}, text};
}

// Everything but the length and location fields, which are written directly.
inline title_format_field_value resolve_field(special_field field, const track_summary& s,
                                              const track_location& location) {
  const std::string_view artist = s.column(summary_column::artist);
  const std::string_view album_artist = s.column(summary_column::album_artist);
  switch (field) {
    case special_field::none: return {value_kind::unknown, {}, {}};
    case special_field::artist: return column_value(artist.empty() ? album_artist : artist);
    case special_field::album_artist:
      return column_value(album_artist.empty() ? artist : album_artist);
    case special_field::genre: return column_value(s.column(summary_column::genre));
    case special_field::album: return column_value(s.column(summary_column::album));
    case special_field::discnumber: return column_value(s.column(summary_column::discnumber));
    case special_field::date: return column_value(s.column(summary_column::date));
    case special_field::track_artist:
      if (artist.empty() || album_artist.empty() || artist == album_artist)
        return {value_kind::unknown, {}, {}};
      return column_value(artist);
    case special_field::title: {
      const std::string_view title = s.column(summary_column::title);
      if (!title.empty()) return {value_kind::values, {}, title};
      return {value_kind::text, {}, path_file_name(path_display_form(location.path), false)};
    }
    case special_field::tracknumber: {
      const std::string_view number = s.column(summary_column::tracknumber);
      // A special field that has no value shows "?" and counts as not found.
      if (number.empty()) return {value_kind::missing, {}, {}};
      return {value_kind::values, number.size() == 1 ? std::string_view("0") : std::string_view(),
              number};
    }
    default: return {value_kind::unresolved, {}, {}};
  }
}

}  // namespace

bool library_title_format_hook::process_field(title_format_field_output& out, std::string_view name,
                                              bool& found) {
  return process_known_field(out, name, find_known_field(name), found);
}

bool library_title_format_hook::process_known_field(title_format_field_output& out,
                                                    std::string_view, special_field field,
                                                    bool& found) {
  title_format_field_value value = resolve_field(field, *summary_, *location_);
  switch (value.value_kind) {
    case value_kind::unknown: return false;
    case value_kind::missing: found = false; break;
    case value_kind::text:
    case value_kind::values:
      if (!value.prefix.empty()) out.write(value.prefix, title_format_text_kind::other);
      if (value.value_kind == value_kind::values)
        write_column(out, value.text);
      else
        out.write(value.text);
      found = true;
      return true;
    case value_kind::unresolved:
      found = is_length_field(field) ? write_length_field(out, field, summary_->length)
                                     : write_location_field(out, field, *location_);
      break;
  }
  // A special field that has no value shows "?" and counts as not found.
  if (!found) out.write("?", title_format_text_kind::other);
  return true;
}

bool library_title_format_hook::resolve_known_fields(const special_field* fields, size_t count,
                                                     title_format_field_value* values) {
  // Locals, since the stores into values could otherwise alias the members.
  const track_summary& summary = *summary_;
  const track_location& location = *location_;
  for (size_t i = 0; i < count; ++i) values[i] = resolve_field(fields[i], summary, location);
  return true;
}

}  // namespace lumo
