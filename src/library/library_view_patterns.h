#pragma once
// The title-formatting patterns of the library views, compiled once per model.

#include <string>
#include <string_view>

#include "meta/title_format.h"

namespace lumo {

struct library_view_patterns {
  title_format_script track_line;          // songs: disc and track number, title, track artist
  title_format_script title;               // songs: the title alone
  title_format_script song_order;          // songs: album artist, album, disc, track, title
  title_format_script album_other_artist;  // album of another album artist than selected
  title_format_script album_one_artist;    // album under the selected artist(s)
  title_format_script album_all_artists;   // album when all artists are shown
  title_format_script album_artist;        // first half of an album's identity
  title_format_script album;               // second half of an album's identity
  title_format_script date;                // an album's date, when present

  // Compiles every pattern with the active language's artist suffix. A pattern that does
  // not compile, or a suffix without its placeholder, is kel::exception_bug_check_v2.
  static library_view_patterns compile();
  // The same with a given suffix text (tests, other languages).
  static library_view_patterns compile(std::string_view artist_suffix);
};

// The suffix text (" // {artist}") as script text with {artist} replaced by a field
// reference; the language's own text is quoted so that no character of it is taken as
// script syntax. Throws kel::exception_bug_check_v2 when the placeholder is missing.
std::string artist_suffix_script(std::string_view suffix_text, std::string_view field_reference);

}  // namespace lumo
