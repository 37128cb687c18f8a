#include "ui/track_list_browser.h"

#include <algorithm>
#include <map>
#include <set>

#include "core/case_map.h"
#include "i18n/language_table.h"

namespace lumo {

namespace {

constexpr std::string_view g_all_keys[] = {"[all genres]", "[albums by all artists]",
                                           "[songs from all albums]"};

const std::string& column(const listed_track& t, summary_column c) {
  return t.summary.column(c);
}

std::string artist_of(const listed_track& t) {
  const std::string& a = column(t, summary_column::album_artist);
  return a.empty() ? column(t, summary_column::artist) : a;
}

std::string key_at(const listed_track& t, size_t level) {
  switch (level) {
    case 0: return column(t, summary_column::genre);
    case 1: return artist_of(t);
    default: return column(t, summary_column::album);
  }
}

// Letter case ignored first, then code units, so keys differing only in case stay apart.
bool key_less(const std::string& a, const std::string& b) {
  const std::string la = utf8_to_lower(a), lb = utf8_to_lower(b);
  return la != lb ? la < lb : a < b;
}

int number_of(const std::string& text) {
  int n = 0;
  for (char c : text) {
    if (c < '0' || c > '9') break;
    n = n * 10 + (c - '0');
    if (n > 100000) break;
  }
  return n;
}

std::vector<std::string> split_keys(const std::string& text) {
  std::vector<std::string> keys;
  size_t start = 0;
  for (size_t at; (at = text.find(", ", start)) != std::string::npos; start = at + 2)
    keys.push_back(text.substr(start, at - start));
  keys.push_back(text.substr(start));
  return keys;
}

std::string join_keys(const std::vector<std::string>& keys) {
  std::string out;
  for (const std::string& k : keys) out += (out.empty() ? "" : ", ") + k;
  return out;
}

std::string song_label(const listed_track& t) {
  std::string label;
  const std::string& disc = column(t, summary_column::discnumber);
  const std::string& number = column(t, summary_column::tracknumber);
  if (!number.empty()) label = (disc.empty() ? "" : disc + ".") + number + ". ";
  const std::string& title = column(t, summary_column::title);
  if (title.empty()) {
    const std::string& path = t.location.path;
    label += path.substr(path.find_last_of("\\/") + 1);
  } else {
    label += title;
  }
  const std::string& artist = column(t, summary_column::artist);
  if (!artist.empty() && artist != artist_of(t)) {
    std::optional<std::string> suffix = format_text("ui_view_artist_suffix", {{"artist", artist}});
    label += suffix ? *suffix : " // " + artist;
  }
  return label;
}

}  // namespace

std::string_view all_entry_key(size_t level) {
  return level < 3 ? g_all_keys[level] : std::string_view();
}

void track_list_browser::add_tracks(const std::vector<listed_track>& tracks) {
  std::map<track_location, size_t> known;
  for (size_t i = 0; i < tracks_.size(); ++i) known.emplace(tracks_[i].location, i);
  for (const listed_track& t : tracks) {
    auto [at, added] = known.emplace(t.location, tracks_.size());
    if (added)
      tracks_.push_back(t);
    else
      tracks_[at->second].summary = t.summary;
  }
  rebuild();
}

void track_list_browser::remove_tracks(const std::vector<track_location>& locations) {
  const std::set<track_location> gone(locations.begin(), locations.end());
  std::erase_if(tracks_, [&](const listed_track& t) { return gone.count(t.location) != 0; });
  rebuild();
}

void track_list_browser::set_indexing(bool is_indexing) {
  if (is_indexing == is_indexing_) return;
  is_indexing_ = is_indexing;
  if (on_changed) on_changed();
}

void track_list_browser::set_folder_count(size_t count) {
  if (count == folder_count_) return;
  folder_count_ = count;
  if (on_changed) on_changed();
}

std::string track_list_browser::entry_label(size_t index) const {
  return entries_.at(index).label;
}

bool track_list_browser::entry_opens(size_t index) const {
  return index < entries_.size() && level() < 3;
}

bool track_list_browser::in_scope(const listed_track& t) const {
  for (size_t l = 0; l < location_.path.size() && l < 3; ++l) {
    const std::string& selection = location_.path[l];
    if (selection == all_entry_key(l)) continue;
    const std::vector<std::string> keys = split_keys(selection);
    if (std::find(keys.begin(), keys.end(), key_at(t, l)) == keys.end()) return false;
  }
  return true;
}

void track_list_browser::rebuild() {
  entries_.clear();
  title_links_.clear();
  const size_t lvl = std::min<size_t>(level(), 3);
  if (lvl < 3) {
    std::map<std::string, entry, decltype(&key_less)> groups(&key_less);
    entry all{std::string(all_entry_key(lvl)), std::string(all_entry_key(lvl)), true, {}};
    for (size_t i = 0; i < tracks_.size(); ++i) {
      if (!in_scope(tracks_[i])) continue;
      const std::string key = key_at(tracks_[i], lvl);
      entry& e = groups[key];
      e.key = key;
      e.label = key.empty() ? "?" : key;
      e.tracks.push_back(i);
      all.tracks.push_back(i);
    }
    entries_.push_back(std::move(all));
    for (auto& [key, e] : groups) entries_.push_back(std::move(e));
  } else {
    std::vector<size_t> songs;
    for (size_t i = 0; i < tracks_.size(); ++i)
      if (in_scope(tracks_[i])) songs.push_back(i);
    auto order = [&](size_t a, size_t b) {
      const listed_track &x = tracks_[a], &y = tracks_[b];
      for (summary_column c : {summary_column::album_artist, summary_column::album}) {
        if (column(x, c) != column(y, c)) return key_less(column(x, c), column(y, c));
      }
      const int dx = number_of(column(x, summary_column::discnumber));
      const int dy = number_of(column(y, summary_column::discnumber));
      if (dx != dy) return dx < dy;
      const int tx = number_of(column(x, summary_column::tracknumber));
      const int ty = number_of(column(y, summary_column::tracknumber));
      if (tx != ty) return tx < ty;
      return key_less(song_label(x), song_label(y));
    };
    std::stable_sort(songs.begin(), songs.end(), order);
    for (size_t i : songs) entries_.push_back({"", song_label(tracks_[i]), false, {i}});
  }
  title_ = make_title(title_links_);
  if (on_changed) on_changed();
}

std::string track_list_browser::title() const {
  return title_;
}

// A title link opens the level below its key, keeping the selections above it.
std::string track_list_browser::make_title(std::vector<browser_location>& links) const {
  links.clear();
  auto linked = [&](size_t lvl, const std::string& selection) {
    std::string out;
    for (const std::string& key : split_keys(selection)) {
      browser_location where{navigation_target::genres, {}};
      where.path.assign(location_.path.begin(), location_.path.begin() + lvl);
      where.path.push_back(key);
      links.push_back(where);
      out += (out.empty() ? "" : ", ") + ("<a>" + escape_link_name(key) + "</a>");
    }
    return out;
  };
  const auto& path = location_.path;
  const bool genres = !path.empty() && path[0] != all_entry_key(0);
  auto with_genre = [&](const char* id) {
    std::string text = get_text(id);
    const size_t at = text.find("{genre}");
    if (at == std::string::npos) return text;
    return text.substr(0, at) + linked(0, path[0]) + text.substr(at + 7);
  };
  switch (std::min<size_t>(path.size(), 3)) {
    case 0: return get_text("ui_view_all_genres");
    case 1:
      return genres ? with_genre("ui_view_all_artists_in_genre") : get_text("ui_view_all_artists");
    case 2: return genres ? with_genre("ui_view_genre_albums") : get_text("ui_view_all_albums");
  }
  if (path[2] == all_entry_key(2))
    return genres ? with_genre("ui_view_genre_songs") : get_text("ui_view_all_songs");
  const bool several = split_keys(path[2]).size() > 1;
  std::string text = get_text(several ? "ui_view_albums_prefix" : "ui_view_album_prefix") + " " +
                     linked(2, path[2]);
  if (path[1] != all_entry_key(1)) {
    std::string suffix = get_text("ui_view_artist_suffix_long");
    const size_t at = suffix.find("{artist}");
    if (at != std::string::npos)
      text += suffix.substr(0, at) + linked(1, path[1]) + suffix.substr(at + 8);
  }
  if (genres) {
    std::string suffix = get_text("ui_view_genre_suffix_long");
    const size_t at = suffix.find("{genre}");
    if (at != std::string::npos)
      text += suffix.substr(0, at) + linked(0, path[0]) + suffix.substr(at + 7);
  }
  return text;
}

void track_list_browser::open_title_link(size_t link_index) {
  if (link_index < title_links_.size()) go_to(title_links_[link_index]);
}

void track_list_browser::open_entries(const std::vector<size_t>& chosen) {
  if (level() >= 3 || chosen.empty()) return;
  std::vector<std::string> keys;
  for (size_t i : chosen) {
    if (i >= entries_.size()) continue;
    if (entries_[i].is_all) {
      keys = {entries_[i].key};
      break;
    }
    keys.push_back(entries_[i].key);
  }
  if (keys.empty()) return;
  location_.path.push_back(join_keys(keys));
  rebuild();
}

std::vector<track_location> track_list_browser::tracks_of(const std::vector<size_t>& chosen) const {
  std::vector<size_t> indexes;
  for (size_t i : chosen) {
    if (i >= entries_.size()) continue;
    if (entries_[i].is_all) {
      indexes = entries_[i].tracks;
      break;
    }
    indexes.insert(indexes.end(), entries_[i].tracks.begin(), entries_[i].tracks.end());
  }
  std::vector<track_location> out;
  for (size_t i : indexes) out.push_back(tracks_[i].location);
  return out;
}

void track_list_browser::go_to(const browser_location& where) {
  location_ = where;
  if (location_.view == navigation_target::artists && location_.path.empty())
    location_.path = {std::string(all_entry_key(0))};
  if (location_.view == navigation_target::albums && location_.path.empty())
    location_.path = {std::string(all_entry_key(0)), std::string(all_entry_key(1))};
  // Folder browsing is not part of this browser: those views show the library's top.
  if (location_.view == navigation_target::music_folders ||
      location_.view == navigation_target::computer)
    location_.path.clear();
  location_.view = navigation_target::genres;
  if (location_.path.size() > 3) location_.path.resize(3);
  rebuild();
}

void track_list_browser::show_artist(std::string_view artist) {
  go_to({navigation_target::genres, {std::string(all_entry_key(0)), std::string(artist)}});
}

void track_list_browser::show_album(std::string_view album_artist, std::string_view album) {
  go_to({navigation_target::genres,
         {std::string(all_entry_key(0)),
          album_artist.empty() ? std::string(all_entry_key(1)) : std::string(album_artist),
          std::string(album)}});
}

}  // namespace lumo
