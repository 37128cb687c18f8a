#pragma once
// The window's browser over the library views: the navigation model (genres, artists,
// albums, songs) kept current by the media library, and browsing by location (the music
// folders and "my computer"), where the shown folder is listed and watched on a worker
// and its listing arrives on the main thread. Main thread only.

#include <memory>
#include <optional>
#include <thread>

#include "library/browse_model.h"
#include "library/browse_session.h"
#include "library/library_view_model.h"
#include "ui/library_browser.h"

namespace lumo {

// Where the folder views get what they show; the system's by default, fakes in tests.
struct browse_environment {
  // The library's folders as native paths, in the order they are shown.
  std::function<std::vector<std::string>()> music_folders;
  std::function<known_music_folders()> known_folders;
  // The computer root; called on a worker thread (a drive may answer slowly).
  std::function<std::vector<browse_entry>()> drives;
  // Whether a file is listed (null: when some input accepts it).
  std::function<bool(std::string_view path)> accepts;
  // The library's indexing state (null: never indexing).
  std::function<bool()> is_indexing;
};

// Folders and indexing state from the media library, drives from the system.
browse_environment system_browse_environment();

class library_view_browser final : public library_browser, private library_callback {
 public:
  explicit library_view_browser(browse_environment environment);
  ~library_view_browser() override;
  library_view_browser(const library_view_browser&) = delete;
  library_view_browser& operator=(const library_view_browser&) = delete;

  // Fills the library views from the media library and follows its notifications until
  // this browser is destroyed, then shows `where` (a saved location).
  void attach_media_library(const browser_location& where = {});
  // The library views' content without a media library (tests, tools).
  void set_library_items(const std::vector<track_handle_ptr>& items);

  size_t entry_count() const override;
  std::string entry_label(size_t index) const override;
  bool entry_opens(size_t index) const override;
  bool entry_is_all(size_t index) const override;
  bool is_folder_view() const override { return folder_.has_value(); }
  std::string title() const override { return title_; }
  void open_title_link(size_t link_index) override;
  void open_entries(const std::vector<size_t>& entries) override;
  std::vector<track_location> tracks_of(const std::vector<size_t>& entries) const override;
  browser_location location() const override;
  void go_to(const browser_location& where) override;
  void show_artist(std::string_view artist) override;
  void show_album(std::string_view album_artist, std::string_view album) override;
  bool go_to_folder_of(const std::vector<size_t>& entries) override;
  size_t folder_count() const override { return music_folders_.size(); }
  bool is_indexing() const override { return is_indexing_; }

  // Whether the shown folder's listing has arrived (false while a worker lists it).
  bool is_listed() const { return !folder_ || folder_->listed; }
  const library_view_model& model() const { return model_; }

 private:
  struct folder_view {
    navigation_target view = navigation_target::music_folders;
    std::vector<std::string> chain;  // folders opened from the root, full paths
    std::vector<browse_entry> entries;
    std::string error;
    bool listed = false;
    std::unique_ptr<browse_session> session;
  };

  void on_items_added(const std::vector<track_handle_ptr>& items) override;
  void on_items_removed(const std::vector<track_handle_ptr>& items) override;
  void on_items_modified(const std::vector<track_handle_ptr>& items) override;
  void on_indexing_changed(bool is_indexing) override;

  void read_music_folders();
  void library_changed();
  void show_library_path(const std::vector<std::string>& path);
  void show_folder(navigation_target view, std::vector<std::string> chain);
  void list_root();
  void take_listing(folder_listing listing);
  void update_title();
  void changed();
  std::string folder_name(size_t chain_index) const;

  browse_environment env_;
  library_view_model model_;
  std::unique_ptr<library_view_binding> binding_;
  bool attached_ = false;
  std::optional<folder_view> folder_;
  std::vector<std::string> music_folders_;
  bool is_indexing_ = false;

  std::string title_;
  std::vector<view_link_target> model_links_;
  std::vector<browser_location> folder_links_;

  // The computer root is listed on a worker; its answer is dropped when the view has
  // changed meanwhile (the generation moved on) or the browser is gone.
  struct drive_answer;
  std::shared_ptr<drive_answer> drive_answer_;
  std::thread drive_worker_;
  uint64_t generation_ = 0;
};

// The deepest folder holding every one of these files (native paths; "\" and "/"
// separate components, letter case ignored); empty when they share none.
std::string common_folder(const std::vector<std::string>& file_paths);

// The folders from root down to folder, each a full path (root first, folder last);
// empty when folder does not lie within root (letter case ignored).
std::vector<std::string> folder_chain(std::string_view root, std::string_view folder);

}  // namespace lumo
