#pragma once
// ReplayGain values of a track: gains in dB, peaks linear (1.0 = full scale). A gain of
// -1000 or a peak of -1 means "absent"; a gain of exactly -1000 read from a tag is
// therefore indistinguishable from no gain at all.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace lumo {

// The field names under which tags carry the four values (matched ignoring case).
inline constexpr std::string_view replaygain_album_gain_name = "replaygain_album_gain";
inline constexpr std::string_view replaygain_album_peak_name = "replaygain_album_peak";
inline constexpr std::string_view replaygain_track_gain_name = "replaygain_track_gain";
inline constexpr std::string_view replaygain_track_peak_name = "replaygain_track_peak";

struct replaygain_info {
  static constexpr float gain_absent = -1000.0f;
  static constexpr float peak_absent = -1.0f;

  float album_gain = gain_absent;  // dB
  float track_gain = gain_absent;  // dB
  float album_peak = peak_absent;  // linear
  float track_peak = peak_absent;  // linear

  bool is_album_gain_present() const { return album_gain != gain_absent; }
  bool is_track_gain_present() const { return track_gain != gain_absent; }
  bool is_album_peak_present() const { return album_peak != peak_absent; }
  bool is_track_peak_present() const { return track_peak != peak_absent; }
  int count_present() const;  // 0..4

  // Takes each absent value from other; present values stay.
  void fill_missing(const replaygain_info& other);

  // Sets the value named by a tag field (one of the four names above, any case) from its
  // text (parse_replaygain_number). A peak below 0 is stored as 0. Returns false and
  // changes nothing for any other name.
  bool set_from_text(std::string_view name, std::string_view value);

  // The present values as (field name, text) pairs in the order album gain, album peak,
  // track gain, track peak, for tag writers.
  std::vector<std::pair<std::string_view, std::string>> to_text_fields() const;

  friend bool operator==(const replaygain_info&, const replaygain_info&) = default;
};

// Reads a decimal number the same way in every locale: the first 127 bytes (or up to a
// zero byte), leading spaces skipped, an optional sign, digits with at most one "." or ","
// as decimal separator; reading stops at the first other character, so "-6.5 dB" is
// -6.5. No digits give 0. Never throws.
float parse_replaygain_number(std::string_view text);

// Text forms written back to tags: gains "-6.50 dB" (two decimals), peaks "0.987654"
// (six decimals); "." as separator in every locale.
std::string format_replaygain_gain(float gain_db);
std::string format_replaygain_peak(float peak);

}  // namespace lumo
