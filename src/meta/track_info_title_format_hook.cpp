#include "meta/track_info_title_format_hook.h"

#include "meta/title_format_fields.h"

namespace lumo {

bool track_info_title_format_hook::process_field(title_format_field_output& out,
                                                 std::string_view name, bool& found) {
  size_t entry = info_.meta_find(name);
  if (entry != track_info::npos) {
    size_t count = info_.meta_value_count(entry);
    for (size_t i = 0; i < count; ++i) {
      if (i > 0) out.write(", ", title_format_text_kind::other);
      out.write(info_.meta_value(entry, i));
    }
    found = true;
    return true;
  }
  entry = info_.info_find(name);
  if (entry != track_info::npos) {
    out.write(info_.info_value(entry), title_format_text_kind::other);
    found = true;
    return true;
  }
  special_field special = find_known_field(name);
  if (is_length_field(special)) {
    found = write_length_field(out, special, info_.get_length());
    if (!found) out.write("?", title_format_text_kind::other);
    return true;
  }
  if (location_ && is_location_field(special)) {
    found = write_location_field(out, special, *location_);
    if (!found) out.write("?", title_format_text_kind::other);
    return true;
  }
  return false;
}

}  // namespace lumo
