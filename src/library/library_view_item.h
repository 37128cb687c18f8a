#pragma once
// What the library views read of one library track: its handle (the identity; one per
// location) and the handle's location and summary.

#include <memory>

#include "library/track_summary.h"
#include "meta/track_location.h"

namespace lumo {

struct library_view_item {
  // The library's handle. Keeps the location and summary below alive; two items are the
  // same track exactly when their handles are the same object.
  std::shared_ptr<const void> handle;
  const track_location* location = nullptr;
  const track_summary* summary = nullptr;
};

}  // namespace lumo
