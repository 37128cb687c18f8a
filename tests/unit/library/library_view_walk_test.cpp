// A generated library of a few thousand tracks, walked through every level. What each
// list should hold is worked out here from the tracks' fields with a plain natural-order
// comparison written for these ASCII names, not with the model's own code.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <random>
#include <set>

#include "library/library_view_model.h"
#include "library_view_test_support.h"

namespace lumo {
namespace {

using testing::make_item;
using testing::track_fields;

// Natural order for ASCII letters, spaces, digits and a few signs: chunks of digits by
// value, other characters case-folded, digits before everything else; ties by bytes.
int natural(const std::string& a, const std::string& b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    const bool da = std::isdigit(static_cast<unsigned char>(a[i]));
    const bool db = std::isdigit(static_cast<unsigned char>(b[j]));
    if (da && db) {
      size_t ei = i, ej = j;
      while (ei < a.size() && std::isdigit(static_cast<unsigned char>(a[ei]))) ++ei;
      while (ej < b.size() && std::isdigit(static_cast<unsigned char>(b[ej]))) ++ej;
      const unsigned long long va = std::stoull(a.substr(i, ei - i));
      const unsigned long long vb = std::stoull(b.substr(j, ej - j));
      if (va != vb) return va < vb ? -1 : 1;
      i = ei;
      j = ej;
      continue;
    }
    if (da != db) return da ? -1 : 1;
    auto rank = [](char c) {
      const unsigned char u =
          static_cast<unsigned char>(std::tolower(static_cast<unsigned char>(c)));
      // Apostrophe and hyphen, then space, then other punctuation, then control
      // characters (the line feed inside album keys), then letters.
      if (std::isalpha(u)) return 1000 + u;
      if (c == '-') return 1;
      if (c == ' ') return 2;
      return u < 0x20 ? 900 + u : 100 + u;
    };
    if (rank(a[i]) != rank(b[j])) return rank(a[i]) < rank(b[j]) ? -1 : 1;
    ++i;
    ++j;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return a < b ? -1 : (a > b ? 1 : 0);
}

struct gen_track {
  track_fields f;
  library_view_item item;
};

std::vector<std::string> values(const std::string& column) {
  std::vector<std::string> out;
  size_t pos = 0;
  while (true) {
    size_t at = column.find("; ", pos);
    std::string v = column.substr(pos, at == std::string::npos ? std::string::npos : at - pos);
    if (!v.empty()) out.push_back(v);
    if (at == std::string::npos) break;
    pos = at + 2;
  }
  return out;
}

std::string joined(const std::string& column) {
  std::string out;
  for (const auto& v : values(column)) out += (out.empty() ? "" : ", ") + v;
  return out;
}

std::string album_artist_of(const track_fields& f) {
  if (!f.album_artist.empty()) return joined(f.album_artist);
  if (!f.artist.empty()) return joined(f.artist);
  return "?";
}
std::string identity_of(const track_fields& f) {
  return album_artist_of(f) + "\n" + (f.album.empty() ? "?" : f.album);
}
std::set<std::string> genres_of(const track_fields& f) {
  auto v = values(f.genre);
  if (v.empty()) return {"?"};
  return {v.begin(), v.end()};
}
std::set<std::string> artists_of(const track_fields& f) {
  std::set<std::string> out;
  for (auto& v : values(f.artist)) out.insert(v);
  for (auto& v : values(f.album_artist)) out.insert(v);
  if (out.empty()) out.insert("?");
  return out;
}
std::string padded(const std::string& n) {
  return n.size() < 2 ? "0" + n : n;
}
std::string track_line(const track_fields& f, const std::string& path) {
  std::string line;
  // The block shows when either number is there; a missing track number is then "?".
  if (!f.tracknumber.empty() || !f.discnumber.empty()) {
    if (!f.discnumber.empty()) line += f.discnumber + ".";
    line += (f.tracknumber.empty() ? "?" : padded(f.tracknumber)) + ". ";
  }
  if (f.title.empty()) {
    const auto slash = path.rfind('/');
    line += path.substr(slash + 1, path.rfind('.') - slash - 1);
  } else {
    line += f.title;
  }
  if (!f.artist.empty() && !f.album_artist.empty() && f.artist != f.album_artist)
    line += " // " + joined(f.artist);
  return line;
}
std::string song_key(const track_fields& f, const std::string& path) {
  std::string key = album_artist_of(f) + " - " + (f.album.empty() ? "?" : f.album) + " - ";
  std::string tl = track_line(f, path);
  const auto cut = tl.find(" // ");
  if (cut != std::string::npos && !f.album_artist.empty() && f.artist != f.album_artist)
    tl = tl.substr(0, cut);
  return key + tl;
}

std::vector<gen_track> generate(size_t count) {
  std::mt19937 rng(19);
  auto pick = [&](int n) { return int(rng() % unsigned(n)); };
  std::vector<gen_track> out;
  for (size_t i = 0; i < count; ++i) {
    track_fields f;
    const int artist = pick(60);
    const int album = pick(4);
    f.artist = "Artist " + std::to_string(artist);
    if (pick(10) == 0) f.artist += "; Guest " + std::to_string(pick(5));  // several artists
    if (pick(12) == 0) {
      f.album_artist = "Various Artists";  // compilation
      f.album = "Best of " + std::to_string(pick(8));
    } else {
      f.album = "Album " + std::to_string(artist) + "-" + std::to_string(album);
      if (pick(20) == 0) f.album_artist = f.artist;
    }
    if (pick(25) == 0) f.album.clear();
    static const char* genre_names[] = {"Rock", "rock", "Pop", "Jazz 2", "Jazz 10", "Folk"};
    const int genre = pick(7);
    if (genre < 6) f.genre = genre_names[genre];
    if (pick(6) == 0) f.genre += std::string(f.genre.empty() ? "" : "; ") + "Live";
    f.tracknumber = pick(15) ? std::to_string(1 + pick(14)) : "";
    if (pick(5) == 0) f.discnumber = std::to_string(1 + pick(3));  // folded from "... Disc 2"
    f.title = pick(30) ? "Song " + std::to_string(pick(40)) : "";
    f.date = pick(4) ? std::to_string(1960 + artist % 40 + album) : "";
    const std::string path = "file:///music/" + std::to_string(i) + ".flac";
    out.push_back({f, make_item(f, path)});
  }
  return out;
}

std::vector<std::string> sorted_keys(std::set<std::string> keys) {
  std::vector<std::string> v(keys.begin(), keys.end());
  std::sort(v.begin(), v.end(), [](auto& a, auto& b) { return natural(a, b) < 0; });
  return v;
}

std::vector<std::string> entry_keys(const library_view_model& m) {
  std::vector<std::string> out;
  for (const auto& e : m.entries())
    if (!e.is_all) out.push_back(e.key);
  return out;
}

TEST(LibraryViewWalk, EveryLevelOfAGeneratedLibrary) {
  const auto tracks = generate(2500);
  std::vector<library_view_item> items;
  for (const auto& t : tracks) items.push_back(t.item);
  library_view_model m;
  m.set_items(items);

  std::set<std::string> all_genres;
  for (const auto& t : tracks)
    for (const auto& g : genres_of(t.f)) all_genres.insert(g);
  ASSERT_EQ(entry_keys(m), sorted_keys(all_genres));

  size_t song_lists = 0;
  for (const auto& genre : sorted_keys(all_genres)) {
    m.go_to_level(view_level::genres);
    ASSERT_TRUE(m.choose_keys({genre}));
    ASSERT_EQ(m.level(), view_level::artists);
    std::vector<const gen_track*> in_genre;
    std::set<std::string> artists;
    for (const auto& t : tracks)
      if (genres_of(t.f).count(genre)) {
        in_genre.push_back(&t);
        for (const auto& a : artists_of(t.f)) artists.insert(a);
      }
    ASSERT_EQ(entry_keys(m), sorted_keys(artists)) << genre;
    ASSERT_EQ(m.entries()[0].item_count, in_genre.size());

    for (const auto& artist : sorted_keys(artists)) {
      m.go_to_level(view_level::artists);
      ASSERT_TRUE(m.choose_keys({artist}));
      ASSERT_EQ(m.level(), view_level::albums);
      // Albums: the artist's own first (ordered by date), then others' ("ASDF" orders
      // them after every year).
      std::map<std::string, const gen_track*> albums;
      std::map<std::string, size_t> album_sizes;
      for (const auto* t : in_genre)
        if (artists_of(t->f).count(artist)) {
          albums.try_emplace(identity_of(t->f), t);
          ++album_sizes[identity_of(t->f)];
        }
      struct expected_album {
        std::string order, label, identity;
      };
      std::vector<expected_album> expected;
      for (const auto& [identity, t] : albums) {
        const auto& f = t->f;
        auto owners = values(f.album_artist.empty() ? f.artist : f.album_artist);
        const bool own = std::find(owners.begin(), owners.end(), artist) != owners.end();
        const std::string name = f.album.empty() ? "?" : f.album;
        std::string label = name + (f.date.empty() ? "" : " [" + f.date + "]");
        if (!own) label += " // " + album_artist_of(f);
        expected.push_back({own ? (f.date.empty() ? "?" : f.date) : "ASDF", label, identity});
      }
      std::sort(expected.begin(), expected.end(), [](auto& a, auto& b) {
        if (int r = natural(a.order, b.order)) return r < 0;
        return natural(a.identity, b.identity) < 0;
      });
      ASSERT_EQ(m.entries().size(), expected.size() + 1) << genre << "/" << artist;
      for (size_t i = 0; i < expected.size(); ++i) {
        ASSERT_EQ(m.entries()[i + 1].label, expected[i].label) << genre << "/" << artist;
        ASSERT_EQ(m.entries()[i + 1].key, expected[i].identity);
        ASSERT_EQ(m.entries()[i + 1].item_count, album_sizes[expected[i].identity]);
      }
      if (song_lists++ % 7 != 0) continue;

      // Songs of the first album: by song order, equal summaries listed once.
      const std::string identity = expected.front().identity;
      ASSERT_TRUE(m.choose({1}));
      std::vector<const gen_track*> songs;
      for (const auto* t : in_genre)
        if (artists_of(t->f).count(artist) && identity_of(t->f) == identity) songs.push_back(t);
      std::stable_sort(songs.begin(), songs.end(), [](auto* a, auto* b) {
        return natural(song_key(a->f, a->item.location().path),
                       song_key(b->f, b->item.location().path)) < 0;
      });
      std::vector<std::string> lines;
      std::set<std::string> seen_keys;
      for (const auto* t : songs) lines.push_back(track_line(t->f, t->item.location().path));
      std::vector<std::string> got;
      for (const auto& e : m.entries()) got.push_back(e.label);
      // Titles repeat across generated tracks; compare as multisets after removing the
      // duplicates the model drops (identical fields), and check the order separately.
      std::multiset<std::string> want_set;
      std::set<std::vector<std::string>> summaries;
      for (const auto* t : songs) {
        const auto& f = t->f;
        // Equal fields are one song unless the titles fall back to different file names.
        if (summaries
                .insert({f.title, f.artist, f.album_artist, f.genre, f.album, f.tracknumber,
                         f.discnumber, f.date, song_key(f, t->item.location().path)})
                .second)
          want_set.insert(track_line(f, t->item.location().path));
      }
      ASSERT_EQ(std::multiset<std::string>(got.begin(), got.end()), want_set)
          << genre << "/" << artist;
      for (size_t i = 0; i + 1 < m.entries().size(); ++i)
        ASSERT_LE(natural(m.entries()[i].key, m.entries()[i + 1].key), 0);
      EXPECT_EQ(m.title().links().front(), (view_link_target{2, identity}));
    }
  }
  EXPECT_GT(song_lists, 100u);
}

}  // namespace
}  // namespace lumo
