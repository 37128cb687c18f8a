#include "ui/library_feed.h"

#include "library/media_library.h"

namespace lumo {

namespace {

std::vector<listed_track> listed(const std::vector<track_handle_ptr>& items) {
  std::vector<listed_track> out;
  out.reserve(items.size());
  for (const track_handle_ptr& item : items) {
    // A handle whose information was never read is listed under its file name.
    cached_summary cached = item->summary();
    out.push_back({item->location(), cached.summary ? *cached.summary : track_summary{}});
  }
  return out;
}

}  // namespace

class library_feed final : public library_callback {
 public:
  explicit library_feed(track_list_browser& browser) : browser_(browser) {
    media_library& library = media_library::get();
    library.register_callback(this);
    browser_.set_folder_count(library.folder_keys().size());
    browser_.set_indexing(library.is_indexing());
    browser_.add_tracks(listed(library.get_all()));
  }
  ~library_feed() override { media_library::get().unregister_callback(this); }

  void on_items_added(const std::vector<track_handle_ptr>& items) override {
    browser_.add_tracks(listed(items));
  }
  void on_items_removed(const std::vector<track_handle_ptr>& items) override {
    std::vector<track_location> gone;
    for (const track_handle_ptr& item : items) gone.push_back(item->location());
    browser_.remove_tracks(gone);
  }
  void on_items_modified(const std::vector<track_handle_ptr>& items) override {
    browser_.add_tracks(listed(items));
  }
  void on_indexing_changed(bool is_indexing) override {
    // Folders join the library while it indexes, so their count is read again here.
    browser_.set_folder_count(media_library::get().folder_keys().size());
    browser_.set_indexing(is_indexing);
  }

 private:
  track_list_browser& browser_;
};

void library_feed_deleter::operator()(library_feed* feed) const {
  delete feed;
}

library_feed_ptr connect_media_library(track_list_browser& browser) {
  return library_feed_ptr(new library_feed(browser));
}

void disconnect(library_feed_ptr& feed) {
  feed.reset();
}

}  // namespace lumo
