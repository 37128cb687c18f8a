#pragma once
// The language documents built into the executable, named by number as resources of type
// "TEXT" (Windows) or compiled in as byte arrays from the same files (other builds).
// resources/lang/lang.rc is the one list of numbers and files for both.

#include <cstdint>
#include <optional>
#include <string_view>

namespace lumo {

inline constexpr int english_resource = 293;

// The resource chosen for a Windows language identifier (LANGID): by primary language,
// Chinese by sub-language (simplified or traditional), English for anything else.
int builtin_resource_for_language(uint16_t language_id);

// The bytes of built-in document resource, or nullopt when there is none by that number.
// The view lives as long as the program. Platform seam.
std::optional<std::string_view> find_builtin_document(int resource);

}  // namespace lumo
