#include "meta/replaygain_info.h"

#include <algorithm>
#include <charconv>
#include <limits>

#include "meta/field_name.h"

namespace lumo {

int replaygain_info::count_present() const {
  return int(is_album_gain_present()) + int(is_track_gain_present()) +
         int(is_album_peak_present()) + int(is_track_peak_present());
}

void replaygain_info::fill_missing(const replaygain_info& other) {
  if (!is_album_gain_present()) album_gain = other.album_gain;
  if (!is_track_gain_present()) track_gain = other.track_gain;
  if (!is_album_peak_present()) album_peak = other.album_peak;
  if (!is_track_peak_present()) track_peak = other.track_peak;
}

bool replaygain_info::set_from_text(std::string_view name, std::string_view value) {
  float* target;
  bool is_peak = false;
  if (field_name_equal(name, replaygain_album_gain_name)) {
    target = &album_gain;
  } else if (field_name_equal(name, replaygain_track_gain_name)) {
    target = &track_gain;
  } else if (field_name_equal(name, replaygain_album_peak_name)) {
    target = &album_peak;
    is_peak = true;
  } else if (field_name_equal(name, replaygain_track_peak_name)) {
    target = &track_peak;
    is_peak = true;
  } else {
    return false;
  }
  float v = parse_replaygain_number(value);
  // A negative peak is nonsense from a broken tagger; 0 keeps it present but harmless.
  *target = is_peak && v < 0 ? 0.0f : v;
  return true;
}

std::vector<std::pair<std::string_view, std::string>> replaygain_info::to_text_fields() const {
  std::vector<std::pair<std::string_view, std::string>> fields;
  if (is_album_gain_present()) {
    fields.emplace_back(replaygain_album_gain_name, format_replaygain_gain(album_gain));
  }
  if (is_album_peak_present()) {
    fields.emplace_back(replaygain_album_peak_name, format_replaygain_peak(album_peak));
  }
  if (is_track_gain_present()) {
    fields.emplace_back(replaygain_track_gain_name, format_replaygain_gain(track_gain));
  }
  if (is_track_peak_present()) {
    fields.emplace_back(replaygain_track_peak_name, format_replaygain_peak(track_peak));
  }
  return fields;
}

// strtod and friends follow the C locale's decimal point, and tags written on a German
// system carry ","; so the number is normalised into a buffer with "." and read by
// from_chars, which ignores the locale.
float parse_replaygain_number(std::string_view text) {
  constexpr size_t max_bytes = 127;
  text = text.substr(0, max_bytes);
  if (auto zero = text.find('\0'); zero != std::string_view::npos) text = text.substr(0, zero);

  size_t pos = 0;
  while (pos < text.size() && text[pos] == ' ') ++pos;
  bool is_negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    is_negative = text[pos] == '-';
    ++pos;
  }
  char buf[max_bytes + 2];
  size_t len = 0;
  bool has_digits = false;
  bool has_separator = false;
  for (; pos < text.size(); ++pos) {
    char c = text[pos];
    if (c >= '0' && c <= '9') {
      buf[len++] = c;
      has_digits = true;
    } else if ((c == '.' || c == ',') && !has_separator) {
      buf[len++] = '.';
      has_separator = true;
    } else {
      break;
    }
  }
  if (!has_digits) return 0.0f;
  double value = 0;
  // Digits with at most one '.': can only fail by range, and 127 digits stay below 1e128.
  std::from_chars(buf, buf + len, value);
  value = std::min(value, double(std::numeric_limits<float>::max()));
  return static_cast<float>(is_negative ? -value : value);
}

namespace {

std::string format_fixed(float value, int decimals) {
  char buf[64];
  auto result =
      std::to_chars(buf, buf + sizeof buf, double(value), std::chars_format::fixed, decimals);
  if (result.ec != std::errc()) return "0";  // only for absurd magnitudes beyond 1e50
  std::string text(buf, result.ptr);
  // "-0.00" would read back as present but looks like a typo.
  if (text.find_first_not_of("-0.") == std::string::npos && text.front() == '-') text.erase(0, 1);
  return text;
}

}  // namespace

std::string format_replaygain_gain(float gain_db) {
  return format_fixed(gain_db, 2) + " dB";
}
std::string format_replaygain_peak(float peak) {
  return format_fixed(peak, 6);
}

}  // namespace lumo
