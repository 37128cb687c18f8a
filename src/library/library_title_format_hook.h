#pragma once
// Resolves script fields for a library track from its summary and location: special
// fields first, then the columns (with artist / album artist standing in for each
// other), then "track artist".

#include "library/track_summary.h"
#include "meta/title_format.h"
#include "meta/track_location.h"

namespace lumo {

class library_title_format_hook final : public title_format_null_hook {
 public:
  // Both are borrowed and must outlive the hook.
  library_title_format_hook(const track_summary& summary, const track_location& location)
      : summary_(&summary), location_(&location) {}

  // Points the hook at another track without building a new one.
  void reset(const track_summary& summary, const track_location& location) {
    summary_ = &summary;
    location_ = &location;
  }

  bool process_field(title_format_field_output& out, std::string_view name, bool& found) override;
  bool process_known_field(title_format_field_output& out, std::string_view name,
                           special_field known, bool& found) override;
  bool resolve_known_fields(const special_field* fields, size_t count,
                            title_format_field_value* values) override;

 private:
  const track_summary* summary_;
  const track_location* location_;
};

}  // namespace lumo
