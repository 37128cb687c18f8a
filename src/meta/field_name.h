#pragma once
// Tag field names are matched without regard to letter case everywhere: readers, writers,
// title formatting, ReplayGain names. This is the one comparison all of them use.

#include <string_view>

namespace lumo {

// True when the names are equal ignoring case: ASCII by a fixed table, other characters
// by their Unicode lower case (core/case_map.h). Thread-safe.
bool field_name_equal(std::string_view a, std::string_view b);

}  // namespace lumo
