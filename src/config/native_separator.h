#pragma once
// The separator the profile folder's native path uses (platform seam).

namespace lumo {

extern const char native_separator;

}  // namespace lumo
