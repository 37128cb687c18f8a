#include "ui/link_text.h"

#include "i18n/language_table.h"

namespace lumo {

std::vector<link_run> split_link_runs(std::string_view text) {
  std::vector<link_run> runs;
  link_run current;
  int links = 0;
  auto flush = [&] {
    if (!current.text.empty()) runs.push_back(current);
    current.text.clear();
  };
  for (size_t i = 0; i < text.size();) {
    if (text.compare(i, 3, "<a>") == 0 && current.link < 0) {
      flush();
      current.link = links++;
      i += 3;
    } else if (text.compare(i, 4, "</a>") == 0 && current.link >= 0) {
      flush();
      current.link = -1;
      i += 4;
    } else {
      current.text += text[i++];
    }
  }
  flush();
  return runs;
}

std::string escape_link_name(std::string_view name) {
  std::string out;
  out.reserve(name.size() + 4);
  for (size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    if (c != '<' && c != '>') {
      out += c;
      continue;
    }
    if (i > 0 && name[i - 1] != ' ') out += ' ';
    out += c;
    if (i + 1 < name.size() && name[i + 1] != ' ') out += ' ';
  }
  return out;
}

std::string navigation_bar_text(size_t folder_count) {
  std::string text = get_text("ui_nav_prefix");
  for (const char* id :
       {"ui_nav_genres", "ui_nav_artists", "ui_nav_albums",
        folder_count == 1 ? "ui_nav_folder" : "ui_nav_folders", "ui_nav_computer"}) {
    text += " <a>";
    text += escape_link_name(get_text(id));
    text += "</a>";
  }
  return text;
}

now_playing_text format_now_playing(const now_playing_fields& f) {
  now_playing_text out;
  out.line1 = escape_link_name(f.title) + escape_link_name(f.time);
  out.line2 = get_text("ui_np_artist_prefix") + " ";
  if (f.artist.empty()) {
    out.line2 += get_text("ui_np_unknown_artist");
  } else {
    out.line2 += "<a>" + escape_link_name(f.artist) + "</a>";
    out.line2_links.push_back(now_playing_link::artist);
  }
  if (!f.album.empty()) {
    out.line2 +=
        ", " + get_text("ui_np_album_prefix") + " <a>" + escape_link_name(f.album) + "</a>";
    out.line2_links.push_back(now_playing_link::album);
    if (!f.other_artist.empty()) {
      const std::string suffix = get_text("ui_np_album_suffix");
      const size_t at = suffix.find("{artist}");
      if (at == std::string::npos) {
        out.line2 += suffix;
      } else {
        out.line2 += suffix.substr(0, at) + "<a>" + escape_link_name(f.other_artist) + "</a>" +
                     suffix.substr(at + 8);
        out.line2_links.push_back(now_playing_link::album_artist);
      }
    }
    if (!f.date.empty()) out.line2 += " [" + escape_link_name(f.date) + "]";
  }
  return out;
}

}  // namespace lumo
