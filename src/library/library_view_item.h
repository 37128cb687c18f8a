#pragma once
// What the library views hold of one library track: its handle (the identity; one per
// location) and the summary the handle had when the view took it. A view takes the
// summary again when the library reports the track modified.

#include <memory>
#include <vector>

#include "library/track_handle.h"
#include "library/track_summary.h"
#include "meta/track_location.h"

namespace lumo {

struct library_view_item {
  track_handle_ptr handle;
  std::shared_ptr<const track_summary> summary;  // never null

  const track_location& location() const { return handle->location(); }
};

// The handle with its current summary (an empty one when nothing was read yet).
library_view_item make_view_item(const track_handle_ptr& handle);
std::vector<library_view_item> make_view_items(const std::vector<track_handle_ptr>& handles);

}  // namespace lumo
