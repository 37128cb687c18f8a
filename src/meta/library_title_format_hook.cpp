#include "meta/library_title_format_hook.h"

#include "meta/title_format_fields.h"

namespace lumo {
namespace {

// Column texts hold several values joined by "; "; scripts show them joined by ", ".
void write_column(title_format_field_output& out, std::string_view text) {
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

int find_column(std::string_view name) {
  for (size_t i = 0; i < summary_column_count; ++i)
    if (ascii_equal_ignoring_case(summary_column_names[i], name)) return int(i);
  return -1;
}

}  // namespace

bool library_title_format_hook::process_field(title_format_field_output& out,
                                              std::string_view name, bool& found) {
  const track_summary& s = *summary_;
  special_field special = find_special_field(name);
  if (special != special_field::none) {
    if (is_location_field(special)) {
      found = write_location_field(out, special, *location_);
    } else if (is_length_field(special)) {
      found = write_length_field(out, special, s.length);
    } else if (special == special_field::title) {
      const std::string& title = s.column(summary_column::title);
      if (!title.empty())
        write_column(out, title);
      else
        out.write(path_file_name(path_display_form(location_->path), false));
      found = true;
    } else {  // tracknumber
      const std::string& number = s.column(summary_column::tracknumber);
      found = !number.empty();
      if (number.size() == 1) out.write("0", title_format_text_kind::other);
      if (found) write_column(out, number);
    }
    if (!found) out.write("?", title_format_text_kind::other);
    return true;
  }

  const std::string& artist = s.column(summary_column::artist);
  const std::string& album_artist = s.column(summary_column::album_artist);
  int column = find_column(name);
  if (column >= 0) {
    const std::string* text = &s.columns[size_t(column)];
    if (column == int(summary_column::artist) && text->empty()) text = &album_artist;
    if (column == int(summary_column::album_artist) && text->empty()) text = &artist;
    if (text->empty()) return false;
    write_column(out, *text);
    found = true;
    return true;
  }

  if (ascii_equal_ignoring_case(name, "track artist")) {
    if (artist.empty() || album_artist.empty() || artist == album_artist) return false;
    write_column(out, artist);
    found = true;
    return true;
  }
  return false;
}

}  // namespace lumo
