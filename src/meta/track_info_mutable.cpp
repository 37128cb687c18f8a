#include "meta/track_info_mutable.h"

#include <algorithm>

#include "core/exceptions.h"
#include "meta/field_name.h"

namespace lumo {

namespace {

void check_name(std::string_view name) {
  if (name.empty()) throw kel::exception_invalid_params("Empty field name");
}

template <class Entries>
auto find_entry(Entries& entries, std::string_view name) {
  return std::ranges::find_if(entries,
                              [&](const auto& e) { return field_name_equal(e.name, name); });
}

}  // namespace

template <class Container>
auto& track_info_mutable::checked(Container& c, size_t index) {
  if (index >= c.size()) throw_bad_index();
  return c[index];
}

std::string_view track_info_mutable::meta_name(size_t entry) const {
  return checked(meta_, entry).name;
}

size_t track_info_mutable::meta_value_count(size_t entry) const {
  return checked(meta_, entry).values.size();
}

std::string_view track_info_mutable::meta_value(size_t entry, size_t value) const {
  return checked(checked(meta_, entry).values, value);
}

std::string_view track_info_mutable::info_name(size_t entry) const {
  return checked(info_, entry).name;
}

std::string_view track_info_mutable::info_value(size_t entry) const {
  return checked(info_, entry).value;
}

size_t track_info_mutable::meta_add_value(std::string_view name, std::string_view value) {
  check_name(name);
  auto it = find_entry(meta_, name);
  if (it == meta_.end()) {
    meta_.push_back({std::string(name), {std::string(value)}});
    return meta_.size() - 1;
  }
  it->values.emplace_back(value);
  return static_cast<size_t>(it - meta_.begin());
}

void track_info_mutable::meta_set_values(std::string_view name,
                                         std::span<const std::string> values) {
  check_name(name);
  auto it = find_entry(meta_, name);
  if (values.empty()) {
    if (it != meta_.end()) meta_.erase(it);
    return;
  }
  std::vector<std::string> copy(values.begin(), values.end());
  if (it == meta_.end()) {
    meta_.push_back({std::string(name), std::move(copy)});
  } else {
    it->values = std::move(copy);
  }
}

void track_info_mutable::meta_set(std::string_view name, std::string_view value) {
  std::string one(value);
  meta_set_values(name, std::span(&one, 1));
}

bool track_info_mutable::meta_remove(std::string_view name) {
  auto it = find_entry(meta_, name);
  if (it == meta_.end()) return false;
  meta_.erase(it);
  return true;
}

void track_info_mutable::meta_remove_index(size_t entry) {
  checked(meta_, entry);
  meta_.erase(meta_.begin() + static_cast<ptrdiff_t>(entry));
}

void track_info_mutable::meta_remove_value(size_t entry, size_t value) {
  auto& values = checked(meta_, entry).values;
  checked(values, value);
  values.erase(values.begin() + static_cast<ptrdiff_t>(value));
  if (values.empty()) meta_remove_index(entry);
}

size_t track_info_mutable::info_set(std::string_view name, std::string_view value) {
  check_name(name);
  auto it = find_entry(info_, name);
  if (it == info_.end()) {
    info_.push_back({std::string(name), std::string(value)});
    return info_.size() - 1;
  }
  it->value = value;
  return static_cast<size_t>(it - info_.begin());
}

bool track_info_mutable::info_remove(std::string_view name) {
  auto it = find_entry(info_, name);
  if (it == info_.end()) return false;
  info_.erase(it);
  return true;
}

void track_info_mutable::reset() {
  length_s_ = 0;
  replaygain_ = replaygain_info();
  meta_.clear();
  info_.clear();
}

void track_info_mutable::copy_from(const track_info& source) {
  if (&source == this) return;
  // Built aside and moved in, so a failure (out of memory, an empty name from a foreign
  // implementation) leaves this record as it was.
  track_info_mutable copy;
  copy.length_s_ = source.get_length();
  copy.replaygain_ = source.get_replaygain();
  size_t meta_count = source.meta_count();
  copy.meta_.reserve(meta_count);
  for (size_t i = 0; i < meta_count; ++i) {
    size_t value_count = source.meta_value_count(i);
    for (size_t v = 0; v < value_count; ++v) {
      copy.meta_add_value(source.meta_name(i), source.meta_value(i, v));
    }
  }
  size_t info_count = source.info_count();
  copy.info_.reserve(info_count);
  for (size_t i = 0; i < info_count; ++i) copy.info_set(source.info_name(i), source.info_value(i));
  *this = std::move(copy);
}

}  // namespace lumo
