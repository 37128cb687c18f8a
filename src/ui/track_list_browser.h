#pragma once
// A library browser over a plain list of tracks: genres, artists, albums, songs. The
// window uses it for the files it is given (command line, drops) while no media library
// is connected; it keeps the same navigation paths as the library views, so history
// and the saved path mean the same with either.

#include <vector>

#include "library/track_summary.h"
#include "ui/library_browser.h"

namespace lumo {

struct listed_track {
  track_location location;
  track_summary summary;
};

class track_list_browser final : public library_browser {
 public:
  // Adds tracks not yet listed and updates the summaries of listed ones (by location),
  // then rebuilds the current list.
  void add_tracks(const std::vector<listed_track>& tracks);
  void remove_tracks(const std::vector<track_location>& locations);
  size_t track_count() const { return tracks_.size(); }
  void set_indexing(bool is_indexing);
  void set_folder_count(size_t count);

  size_t entry_count() const override { return entries_.size(); }
  std::string entry_label(size_t index) const override;
  bool entry_opens(size_t index) const override;
  std::string title() const override;
  void open_title_link(size_t link_index) override;
  void open_entries(const std::vector<size_t>& entries) override;
  std::vector<track_location> tracks_of(const std::vector<size_t>& entries) const override;
  browser_location location() const override { return location_; }
  void go_to(const browser_location& where) override;
  void show_artist(std::string_view artist) override;
  void show_album(std::string_view album_artist, std::string_view album) override;
  size_t folder_count() const override { return folder_count_; }
  bool is_indexing() const override { return is_indexing_; }

 private:
  struct entry {
    std::string key;
    std::string label;
    bool is_all = false;
    std::vector<size_t> tracks;  // indexes into tracks_
  };
  void rebuild();
  std::string make_title(std::vector<browser_location>& links) const;
  size_t level() const { return location_.path.size(); }
  bool in_scope(const listed_track& t) const;

  std::vector<listed_track> tracks_;
  browser_location location_;
  std::vector<entry> entries_;
  size_t folder_count_ = 0;
  bool is_indexing_ = false;
  std::string title_;
  std::vector<browser_location> title_links_;
};

// The key of each level's "all" entry, as navigation paths store it.
std::string_view all_entry_key(size_t level);

}  // namespace lumo
