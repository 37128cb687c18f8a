#pragma once
// The special fields both field providers share: names derived from a track's location
// and length rather than from its tags.

#include <string_view>

#include "meta/title_format.h"
#include "meta/track_location.h"

namespace lumo {

// Every name the providers resolve without looking at tags. The first group are the
// special fields; the rest are library columns and "track artist".
enum class special_field : uint8_t {
  none,
  filename,        // file name without directory and extension
  filename_ext,    // file name with extension
  filename_sort,   // file name, "|", subsong as 10 digits
  path,            // display form of the path; "n/a" when empty
  path_sort,       // path, "|", subsong as 10 digits
  directory,       // name of the folder holding the file
  subsong,         // subsong index
  length,          // time text; absent when length <= 0
  length_ex,       // time text with milliseconds
  length_seconds,  // whole seconds, rounded
  title,           // library only: the title, or the file name
  tracknumber,     // library only: at least two digits
  // Library columns without special handling, and "track artist".
  artist,
  album_artist,
  genre,
  album,
  discnumber,
  date,
  track_artist,
};

// Matches ASCII-case-insensitively; none when the name is not known. Dispatches on the
// name's length first: views resolve every field of every row through here.
special_field find_known_field(std::string_view name);

bool is_special_field(special_field field);

bool is_location_field(special_field field);
bool is_length_field(special_field field);

// Writes one of the location fields; returns its found flag.
bool write_location_field(title_format_field_output& out, special_field field,
                          const track_location& location);
// Writes one of the length fields; false (and nothing) when length <= 0.
bool write_length_field(title_format_field_output& out, special_field field, double length);

// The path as shown to the user: the native path for "file://" URLs, the URL otherwise.
std::string_view path_display_form(std::string_view url);
// The file name of a displayed path, with or without its extension.
std::string_view path_file_name(std::string_view path, bool with_extension);

// ASCII-case-insensitive equality, for names the providers compare.
bool ascii_equal_ignoring_case(std::string_view a, std::string_view b);

}  // namespace lumo
