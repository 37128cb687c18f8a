#pragma once
// The identity of one playable track: a file in URL form plus the index of the track
// inside it (0 for single-track files; the track of a container or cue sheet otherwise).

#include <compare>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace lumo {

struct track_location {
  std::string path;  // URL form, e.g. "file://" + native path
  uint32_t subsong_index = 0;

  // Same track when both fields are equal; ordered by path bytes, then subsong.
  friend bool operator==(const track_location&, const track_location&) = default;
  friend std::strong_ordering operator<=>(const track_location&, const track_location&) = default;
};

struct track_location_hash {
  size_t operator()(const track_location& location) const noexcept;
};

}  // namespace lumo

template <>
struct std::hash<lumo::track_location> : lumo::track_location_hash {};
