#pragma once
// The navigation model behind the library views: Genres -> Artists -> Albums -> Songs.
// It holds the library's items, the selection made at each level passed, and the list
// of the current level; the main window shows the list and the title and calls choose
// and go_to_level. Main thread only; one model per window, living as long as it.
//
// Keys: genres and artists are the single values of the Genre column and of the Artist
// and Album Artist columns ("; " separates values; a track without any is under "?"),
// so a track with two genres is listed under both. An album's key is its identity,
// %album artist% + line feed + %album%. Songs are keyed by their position.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "library/library_view_item.h"
#include "library/library_view_patterns.h"
#include "library/library_view_title.h"
#include "library/media_library.h"

namespace lumo {

enum class view_level : int { genres = 0, artists = 1, albums = 2, songs = 3 };

inline constexpr int view_level_count = 4;

// The keys of the "all" entries, as the navigation path stores them.
inline constexpr std::string_view all_genres_key = "[all genres]";
inline constexpr std::string_view all_artists_key = "[albums by all artists]";
inline constexpr std::string_view all_albums_key = "[songs from all albums]";
std::string_view all_key_of(view_level level);

struct library_view_entry {
  std::string key;    // the group key (songs: the song-order text)
  std::string label;  // what the list shows
  bool is_all = false;
  uint32_t first_item = 0;  // range in library_view_model::entry_items()
  uint32_t item_count = 0;
};

class library_view_model {
 public:
  // Compiles the patterns (kel::exception_bug_check_v2 when one fails).
  library_view_model();
  explicit library_view_model(library_view_patterns patterns);

  // Replaces the content (the library's get_all), rebuilds the current list.
  void set_items(std::vector<library_view_item> items);
  // Replays a saved navigation path (at most four entries; more are ignored): per level,
  // the "all" key chooses the "all" entry and another text the entry with that key
  // (a text holding several keys separated by ", " chooses each that exists). Replay
  // stops at the first entry none of whose keys exists any more.
  void replay(const std::vector<std::string>& path);

  // Library notifications: each rebuilds the current list. A modified track's summary
  // is taken again from its handle.
  void on_items_added(const std::vector<track_handle_ptr>& handles);
  void on_items_removed(const std::vector<track_handle_ptr>& handles);
  void on_items_modified(const std::vector<track_handle_ptr>& handles);

  view_level level() const { return level_; }
  const std::vector<library_view_entry>& entries() const { return entries_; }
  // The items behind entry i, in list order (songs: one each).
  std::vector<library_view_item> items_of(size_t entry_index) const;
  const std::vector<uint32_t>& entry_items() const { return entry_items_; }
  const library_view_item& item(uint32_t index) const { return items_[index]; }
  size_t item_count() const { return items_.size(); }

  // Selects entries of the current list (indices) and moves one level down; the "all"
  // entry among them selects every entry. False at the songs level or for an empty or
  // out-of-range choice (nothing changes).
  bool choose(const std::vector<size_t>& entry_indices);
  // Chooses the entries with these keys; false when none exists.
  bool choose_keys(const std::vector<std::string>& keys);
  // Moves back up to an earlier level, keeping the selections made above it.
  void go_to_level(view_level level);
  // Goes to the link's level and chooses its key; false when the key no longer exists
  // (the model then shows that level).
  bool follow_link(const view_link_target& link);

  // One entry per level passed: the "all" key, or the chosen keys joined by ", ".
  std::vector<std::string> navigation_path() const;
  view_title title() const;

  // The keys chosen at an earlier level (every key after "all").
  const std::vector<std::string>& selection(view_level level) const {
    return selections_[int(level)].keys;
  }
  bool is_all_selected(view_level level) const { return selections_[int(level)].is_all; }

  const library_view_patterns& patterns() const { return patterns_; }

 private:
  struct level_selection {
    std::vector<std::string> keys;
    bool is_all = false;
  };

  // The restrictions of the levels passed, for testing one item against them.
  struct scope_filter;

  void rebuild();
  scope_filter make_filter() const;
  bool in_scope(const scope_filter& filter, uint32_t item);
  std::vector<uint32_t> scope();
  // The album identity of an item, formatted once and kept until the item changes.
  const std::string& identity_of(uint32_t item);
  // Songs level: puts newly added items into the current list where a full build would
  // (a hundred thousand songs are not sorted again for one new track).
  void insert_songs(const std::vector<uint32_t>& added);
  void build_values_level(const std::vector<uint32_t>& scope, bool artists);
  void build_albums(const std::vector<uint32_t>& scope);
  void build_songs(const std::vector<uint32_t>& scope);
  void add_all_entry(const std::vector<uint32_t>& scope);

  library_view_patterns patterns_;
  std::vector<library_view_item> items_;
  // Parallel to items_: album identities, empty until needed (an identity always holds a
  // line feed, so empty means "not formatted yet").
  std::vector<std::string> identities_;
  view_level level_ = view_level::genres;
  level_selection selections_[view_level_count - 1];
  std::vector<library_view_entry> entries_;
  std::vector<uint32_t> entry_items_;
};

// Keeps a model in step with the media library for as long as it lives: fills it from
// get_all and passes the library's notifications on. Main thread.
class library_view_binding final : public library_callback {
 public:
  explicit library_view_binding(library_view_model& model);
  ~library_view_binding() override;
  library_view_binding(const library_view_binding&) = delete;
  library_view_binding& operator=(const library_view_binding&) = delete;

  void on_items_added(const std::vector<track_handle_ptr>& items) override {
    model_.on_items_added(items);
  }
  void on_items_removed(const std::vector<track_handle_ptr>& items) override {
    model_.on_items_removed(items);
  }
  void on_items_modified(const std::vector<track_handle_ptr>& items) override {
    model_.on_items_modified(items);
  }
  void on_indexing_changed(bool) override {}

 private:
  library_view_model& model_;
};

// The values of a column text ("; " separates them; empty values dropped).
std::vector<std::string_view> split_values(std::string_view column);
// A track's genre keys and artist keys ("?" when it has none).
std::vector<std::string_view> genre_keys(const track_summary& summary);
std::vector<std::string_view> artist_keys(const track_summary& summary);
// The same into out (emptied first), for loops over every track that reuse one vector.
void split_values(std::string_view column, std::vector<std::string_view>& out);
void genre_keys(const track_summary& summary, std::vector<std::string_view>& out);
void artist_keys(const track_summary& summary, std::vector<std::string_view>& out);

}  // namespace lumo
