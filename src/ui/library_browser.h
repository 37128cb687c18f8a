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

// Where the browser is: a view and the path within it. The library views store the
// navigation path (one entry per level passed; an "all" entry as its fixed key); the
// folder views the folders opened from the view's root, each as its full native path.
struct browser_location {
  navigation_target view = navigation_target::genres;
  std::vector<std::string> path;
  friend bool operator==(const browser_location&, const browser_location&) = default;
};

// The saved form of a location: the view's number, then each path entry on a line of its
// own, a backslash inside an entry written as two and a line feed (album keys hold one)
// as backslash and "n". Decoding is lenient: an unknown view is the genres view, and a
// library path keeps at most four entries.
std::string encode_browser_location(const browser_location& where);
browser_location decode_browser_location(std::string_view text);

class library_browser {
 public:
  virtual ~library_browser() = default;

  // The current list. Main thread.
  virtual size_t entry_count() const = 0;
  virtual std::string entry_label(size_t index) const = 0;
  // True for entries that open (groups, folders, drives), false for tracks.
  virtual bool entry_opens(size_t index) const = 0;
  // True for a level's "all" entry (drawn apart from the groups).
  virtual bool entry_is_all(size_t index) const = 0;
  // True while the list shows files of a folder rather than library groups or songs.
  virtual bool is_folder_view() const = 0;
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
  // Shows the folder that holds the tracks behind the entries (the deepest folder common
  // to all of them); false, and nothing changes, when they have none.
  virtual bool go_to_folder_of(const std::vector<size_t>& entries) = 0;

  // The number of music folders (for the navigation bar) and the indexing state.
  virtual size_t folder_count() const = 0;
  virtual bool is_indexing() const = 0;

  // Called on the main thread after the list, the title or the indexing state changed.
  std::function<void()> on_changed;
};

}  // namespace lumo
