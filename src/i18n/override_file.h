#pragma once
// Reading the user's language override, "lumo-language.xml" in the profile folder,
// through the file system layer.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lumo {

inline constexpr std::string_view language_override_name = "lumo-language.xml";
inline constexpr uint64_t language_override_max_bytes = 1048576;

// The whole override file of profile_folder, or nullopt when there is none. Throws
// sonatrix_io::exception_io_no_length when its size cannot be known,
// exception_io_data when it is larger than language_override_max_bytes, and the I/O
// exception of any other failure (access denied, ...).
std::optional<std::string> read_language_override(std::string_view profile_folder);

// Raises what read_language_override raises for a file of size_bytes (nullopt: unknown).
void check_language_override_size(std::optional<uint64_t> size_bytes);

}  // namespace lumo
