#include "meta/library_title_format_hook.h"

#include "meta/title_format_fields.h"

namespace lumo {
namespace {

// Column texts hold several values joined by "; "; scripts show them joined by ", ".
void write_column(title_format_field_output& out, std::string_view text) {
  constexpr std::string_view stored_separator = "; ";
  if (out.has_default_filter()) {
    // One pass finds both the separators and the bytes the filter replaces.
    title_format_output& raw = out.raw();
    size_t run = 0;
    for (size_t i = find_control_byte(text, 0, ';'); i != std::string_view::npos;
         i = find_control_byte(text, i + 1, ';')) {
      raw.append(text.substr(run, i - run));
      if (text[i] != ';') {
        raw.append_char('_');
        run = i + 1;
      } else if (text.substr(i, 2) == stored_separator) {
        raw.append(", ");
        run = i + 2;
        ++i;
      } else {
        raw.append_char(';');
        run = i + 1;
      }
    }
    raw.append(text.substr(run));
    return;
  }
  for (;;) {
    size_t at = text.find(stored_separator);
    if (at == std::string_view::npos) break;
    out.write(text.substr(0, at));
    out.write(", ", title_format_text_kind::other);
    text.remove_prefix(at + stored_separator.size());
  }
  out.write(text);
}

// Writes a column's text; not handled when it is empty.
bool column_field(title_format_field_output& out, const std::string& text, bool& found) {
  if (text.empty()) return false;
  write_column(out, text);
  found = true;
  return true;
}

}  // namespace

bool library_title_format_hook::process_field(title_format_field_output& out, std::string_view name,
                                              bool& found) {
  return process_known_field(out, name, find_known_field(name), found);
}

bool library_title_format_hook::process_known_field(title_format_field_output& out,
                                                    std::string_view, special_field field,
                                                    bool& found) {
  const track_summary& s = *summary_;
  const std::string& artist = s.column(summary_column::artist);
  const std::string& album_artist = s.column(summary_column::album_artist);
  switch (field) {
    case special_field::none: return false;
    case special_field::artist:
      return column_field(out, artist.empty() ? album_artist : artist, found);
    case special_field::album_artist:
      return column_field(out, album_artist.empty() ? artist : album_artist, found);
    case special_field::genre: return column_field(out, s.column(summary_column::genre), found);
    case special_field::album: return column_field(out, s.column(summary_column::album), found);
    case special_field::discnumber:
      return column_field(out, s.column(summary_column::discnumber), found);
    case special_field::date: return column_field(out, s.column(summary_column::date), found);
    case special_field::track_artist:
      if (artist.empty() || album_artist.empty() || artist == album_artist) return false;
      return column_field(out, artist, found);
    case special_field::title: {
      const std::string& title = s.column(summary_column::title);
      if (!title.empty())
        write_column(out, title);
      else
        out.write(path_file_name(path_display_form(location_->path), false));
      found = true;
      return true;
    }
    case special_field::tracknumber: {
      const std::string& number = s.column(summary_column::tracknumber);
      found = !number.empty();
      if (number.size() == 1) out.write("0", title_format_text_kind::other);
      if (found) write_column(out, number);
      break;
    }
    default:
      found = is_length_field(field) ? write_length_field(out, field, s.length)
                                     : write_location_field(out, field, *location_);
      break;
  }
  // A special field that has no value shows "?" and counts as not found.
  if (!found) out.write("?", title_format_text_kind::other);
  return true;
}

}  // namespace lumo
