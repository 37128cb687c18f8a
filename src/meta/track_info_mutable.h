#pragma once
// The editable track information record that readers fill and the properties dialog and
// tag writers change. Entries are kept in insertion order. Not thread-safe: one owner.

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "meta/track_info.h"

namespace lumo {

class track_info_mutable final : public track_info {
 public:
  track_info_mutable() = default;
  track_info_mutable(const track_info_mutable&) = default;
  track_info_mutable(track_info_mutable&&) noexcept = default;
  track_info_mutable& operator=(const track_info_mutable&) = default;
  track_info_mutable& operator=(track_info_mutable&&) noexcept = default;
  // A mutable copy of any record (mutable or packed).
  explicit track_info_mutable(const track_info& source) { copy_from(source); }

  double get_length() const override { return length_s_; }
  replaygain_info get_replaygain() const override { return replaygain_; }
  size_t meta_count() const override { return meta_.size(); }
  std::string_view meta_name(size_t entry) const override;
  size_t meta_value_count(size_t entry) const override;
  std::string_view meta_value(size_t entry, size_t value) const override;
  size_t info_count() const override { return info_.size(); }
  std::string_view info_name(size_t entry) const override;
  std::string_view info_value(size_t entry) const override;

  void set_length(double length_s) { length_s_ = length_s; }
  void set_replaygain(const replaygain_info& replaygain) { replaygain_ = replaygain; }
  // Sets one ReplayGain value from a tag field (replaygain_info::set_from_text); false
  // when the name is not one of the four ReplayGain names.
  bool replaygain_set_from_text(std::string_view name, std::string_view value) {
    return replaygain_.set_from_text(name, value);
  }

  // Appends a value to the entry of that name (matched ignoring case), creating the entry
  // with this spelling when absent. Returns the entry index. Throws
  // kel::exception_invalid_params for an empty name.
  size_t meta_add_value(std::string_view name, std::string_view value);
  // Replaces all values of the named entry by the given ones (creating it when absent);
  // an empty list removes the entry. Throws like meta_add_value.
  void meta_set_values(std::string_view name, std::span<const std::string> values);
  void meta_set(std::string_view name, std::string_view value);  // one value
  // Removes the named entry / one entry; false when there was none.
  bool meta_remove(std::string_view name);
  void meta_remove_index(size_t entry);
  // Removes one value; an entry left without values is removed.
  void meta_remove_value(size_t entry, size_t value);
  void meta_remove_all() { meta_.clear(); }

  // Replaces the value of the info entry of that name or creates one. Returns the entry
  // index. Throws kel::exception_invalid_params for an empty name.
  size_t info_set(std::string_view name, std::string_view value);
  bool info_remove(std::string_view name);
  void info_remove_all() { info_.clear(); }

  // Back to a new record: length 0, ReplayGain absent, no fields.
  void reset();
  // Resets, then copies length, ReplayGain, every meta entry with its values in order
  // and every info entry. source may be this record.
  void copy_from(const track_info& source);

 private:
  struct meta_entry {
    std::string name;
    std::vector<std::string> values;
  };
  struct info_entry {
    std::string name;
    std::string value;
  };

  template <class Container>
  static auto& checked(Container& c, size_t index);

  double length_s_ = 0;
  replaygain_info replaygain_;
  std::vector<meta_entry> meta_;
  std::vector<info_entry> info_;
};

}  // namespace lumo
