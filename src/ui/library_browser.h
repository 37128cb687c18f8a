#pragma once
// What the main window needs from the library and its views: the current list, its
// title line, moving between views, and the tracks behind entries. The window holds one
// of these; the library views implement it.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "meta/track_location.h"
#include "ui/link_text.h"

namespace lumo {

// Where the browser is: a view and the navigation path within it (one entry per level
// passed; an "all" entry is stored as its fixed key).
struct browser_location {
  navigation_target view = navigation_target::genres;
  std::vector<std::string> path;
  friend bool operator==(const browser_location&, const browser_location&) = default;
};

class library_browser {
 public:
  virtual ~library_browser() = default;

  // The current list. Main thread.
  virtual size_t entry_count() const = 0;
  virtual std::string entry_label(size_t index) const = 0;
  // True for entries that open (groups, folders), false for tracks.
  virtual bool entry_opens(size_t index) const = 0;
  // The view title as link text, and what its links do.
  virtual std::string title() const = 0;
  virtual void open_title_link(size_t link_index) = 0;

  // Moves one level down into the chosen entries (several group entries at once).
  virtual void open_entries(const std::vector<size_t>& entries) = 0;
  // The tracks behind the entries, in list order.
  virtual std::vector<track_location> tracks_of(const std::vector<size_t>& entries) const = 0;

  virtual browser_location location() const = 0;
  virtual void go_to(const browser_location& where) = 0;
  virtual void show_artist(std::string_view artist) = 0;
  virtual void show_album(std::string_view album_artist, std::string_view album) = 0;

  // The number of music folders (for the navigation bar) and the indexing state.
  virtual size_t folder_count() const = 0;
  virtual bool is_indexing() const = 0;

  // Called on the main thread after the list, the title or the indexing state changed.
  std::function<void()> on_changed;
};

}  // namespace lumo
