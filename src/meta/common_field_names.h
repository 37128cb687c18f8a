#pragma once
// Field name spellings so frequent that packed records refer to these shared constants
// instead of copying them. Each table is sorted byte-wise; lookup is exact (case matters:
// "Title" and "TITLE" are separate entries).

#include <optional>
#include <span>
#include <string_view>

namespace lumo {

std::span<const std::string_view> common_meta_names();
std::span<const std::string_view> common_info_names();

// Index of name in the table, by exact byte comparison.
std::optional<size_t> find_common_name(std::span<const std::string_view> table,
                                       std::string_view name);

}  // namespace lumo
