#include "meta/track_info.h"

#include "core/exceptions.h"
#include "meta/field_name.h"

namespace lumo {

void track_info::throw_bad_index() {
  throw kel::exception_bug_check("Track information index out of range");
}

// Records hold a handful of fields, so a linear scan beats any index and costs no memory.
size_t track_info::info_find(std::string_view name) const {
  size_t count = info_count();
  for (size_t i = 0; i < count; ++i) {
    if (field_name_equal(info_name(i), name)) return i;
  }
  return npos;
}

size_t track_info::meta_find(std::string_view name) const {
  size_t count = meta_count();
  for (size_t i = 0; i < count; ++i) {
    if (field_name_equal(meta_name(i), name)) return i;
  }
  return npos;
}

std::optional<std::string_view> track_info::meta_find_value(std::string_view name,
                                                            size_t value) const {
  size_t entry = meta_find(name);
  if (entry == npos || value >= meta_value_count(entry)) return std::nullopt;
  return meta_value(entry, value);
}

std::string track_info::meta_joined(size_t entry) const {
  size_t count = meta_value_count(entry);
  if (count == 0) return {};  // only a foreign implementation has empty entries
  std::string text(meta_value(entry, 0));
  for (size_t i = 1; i < count; ++i) {
    text += multi_value_separator;
    text += meta_value(entry, i);
  }
  return text;
}

std::string track_info::meta_joined(std::string_view name) const {
  size_t entry = meta_find(name);
  return entry == npos ? std::string() : meta_joined(entry);
}

std::optional<std::string_view> track_info::info_find_value(std::string_view name) const {
  size_t entry = info_find(name);
  if (entry == npos) return std::nullopt;
  return info_value(entry);
}

}  // namespace lumo
