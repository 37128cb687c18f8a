#pragma once
// What the library shows of its platform side.

#include <string>
#include <string_view>

namespace lumo {

inline constexpr std::string_view library_write_error_title = "Error writing library file";

}  // namespace lumo
