#pragma once
// Resolves script fields from a track_info: meta fields (several values joined by ", "),
// then info fields, then the length fields and, when a location is given, the location
// fields.

#include "meta/title_format.h"
#include "meta/track_info.h"
#include "meta/track_location.h"

namespace lumo {

class track_info_title_format_hook final : public title_format_null_hook {
 public:
  // Both are borrowed and must outlive the hook; location may be null.
  explicit track_info_title_format_hook(const track_info& info,
                                        const track_location* location = nullptr)
      : info_(info), location_(location) {}

  bool process_field(title_format_field_output& out, std::string_view name, bool& found) override;

 private:
  const track_info& info_;
  const track_location* location_;
};

}  // namespace lumo
