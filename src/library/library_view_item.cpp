#include "library/library_view_item.h"

namespace lumo {

library_view_item make_view_item(const track_handle_ptr& handle) {
  static const auto empty = std::make_shared<const track_summary>();
  auto summary = handle->summary().summary;
  return {handle, summary ? std::move(summary) : empty};
}

std::vector<library_view_item> make_view_items(const std::vector<track_handle_ptr>& handles) {
  std::vector<library_view_item> items;
  items.reserve(handles.size());
  for (const auto& h : handles) items.push_back(make_view_item(h));
  return items;
}

}  // namespace lumo
