#pragma once
// The platform's own logical comparison, for checking ours against it: StrCmpLogicalW on
// Windows. Other platforms have none and answer with logical_compare.

#include <string_view>

namespace lumo {

// -1, 0 or 1. UTF-8 texts; an embedded zero ends a text, as it does for StrCmpLogicalW.
int system_logical_compare(std::string_view a, std::string_view b);

}  // namespace lumo
