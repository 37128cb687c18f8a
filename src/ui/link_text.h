#pragma once
// One-line texts with "<a>" ... "</a>" links: the navigation bar, view titles and the
// now-playing lines. Parsing is for drawing and hit-testing; the builders make the
// window's own lines.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace lumo {

struct link_run {
  std::string text;
  int link = -1;  // index of the link among the line's links, -1 for plain text
};

// Runs in order. A "<" that opens no "<a>" or "</a>" is plain text; an unclosed link
// runs to the end of the line.
std::vector<link_run> split_link_runs(std::string_view text);

// Text as it may stand inside a link line: "<" and ">" get a space on each side (unless
// a space is already there or it stands at an end), so a name cannot form markup.
std::string escape_link_name(std::string_view name);

// Where each navigation-bar link leads, in link order.
enum class navigation_target { genres, artists, albums, music_folders, computer };
inline constexpr size_t navigation_target_count = 5;

// "Navigation:" and the five links; "music folder" with exactly one folder.
std::string navigation_bar_text(size_t folder_count);

// The now-playing lines. The first holds the title and time, the second the artist and
// album; its links are, in order, the artist (when known), the album and the album artist
// (when shown).
struct now_playing_fields {
  std::string title;         // %title%
  std::string time;          // " '['%playback_time%[ / %length%]']'"
  std::string artist;        // %artist%
  std::string other_artist;  // $if(%track artist%,%album artist%,)
  std::string album;         // %album%
  std::string album_artist;  // %album artist%
  std::string date;          // [%date%]
};

enum class now_playing_link { artist, album, album_artist };

struct now_playing_text {
  std::string line1;
  std::string line2;
  std::vector<now_playing_link> line2_links;  // what each link of line 2 opens
};

now_playing_text format_now_playing(const now_playing_fields& f);

}  // namespace lumo
