#pragma once
// Keeps a track_list_browser in step with the media library: the tracks it holds, the
// number of music folders and the indexing state. Main thread.

#include <memory>

#include "ui/track_list_browser.h"

namespace lumo {

class library_feed;
struct library_feed_deleter {
  void operator()(library_feed* feed) const;
};
using library_feed_ptr = std::unique_ptr<library_feed, library_feed_deleter>;

// Registers with the media library and fills the browser with everything it has; the
// browser must outlive the returned feed, which unregisters when destroyed.
library_feed_ptr connect_media_library(track_list_browser& browser);

void disconnect(library_feed_ptr& feed);

}  // namespace lumo
