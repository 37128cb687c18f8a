#include "library/track_summary.h"

#include <limits>

#include "core/byte_cursor.h"
#include "core/exceptions.h"
#include "meta/track_info.h"

namespace lumo {

namespace {

// Tried in this order against the end of the album; '%' is a run of digits.
constexpr std::array<std::string_view, 20> k_disc_suffixes = {
    ", Disc %", ", Disc%", ", CD %",    ", CD%",    " - Disc %", " - Disc%",  " - CD %",
    " - CD%",   " Disc %", " Disc%",    " CD %",    " CD%",      " (Disc %)", " (Disc%)",
    " (CD %)",  " (CD%)",  " [Disc %]", " [Disc%]", " [CD %]",   " [CD%]"};

// Columns end at their first NUL: the blob separates them with NULs.
std::string_view up_to_nul(std::string_view s) {
  return s.substr(0, s.find('\0'));
}

void check_blob_size(size_t size) {
  if (size > std::numeric_limits<uint32_t>::max()) throw kel::exception_overflow();
}

bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

char ascii_lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Matches pattern against the end of text, backwards. On success, front is the length of
// text before the suffix and digits the matched run.
bool match_suffix(std::string_view text, std::string_view pattern, size_t& front,
                  std::string_view& digits) {
  size_t t = text.size();
  for (size_t p = pattern.size(); p-- > 0;) {
    if (t == 0) return false;
    if (pattern[p] == '%') {
      size_t end = t;
      while (t > 0 && is_digit(text[t - 1])) --t;
      if (t == end) return false;
      digits = text.substr(t, end - t);
    } else {
      if (ascii_lower(text[t - 1]) != ascii_lower(pattern[p])) return false;
      --t;
    }
  }
  // At least one character must stay in front of the suffix.
  if (t == 0) return false;
  front = t;
  return true;
}

}  // namespace

bool fold_disc_suffix(std::string_view album, std::string& album_out, std::string& disc_out) {
  for (std::string_view pattern : k_disc_suffixes) {
    size_t front = 0;
    std::string_view digits;
    if (!match_suffix(album, pattern, front, digits)) continue;
    std::string_view head = album.substr(0, front);
    while (!head.empty() && head.back() == ' ') head.remove_suffix(1);
    album_out.assign(head);
    size_t first = digits.find_first_not_of('0');
    disc_out.assign(first == std::string_view::npos ? std::string_view("0") : digits.substr(first));
    return true;
  }
  return false;
}

track_summary::track_summary() : blob_(summary_column_count, '\0') {
  for (size_t i = 0; i < summary_column_count; ++i) starts_[i] = static_cast<uint32_t>(i);
}

track_summary::track_summary(float length_seconds,
                             const std::array<std::string_view, summary_column_count>& columns)
    : length(length_seconds) {
  size_t size = 0;
  for (std::string_view c : columns) size += up_to_nul(c).size() + 1;
  check_blob_size(size);
  blob_.reserve(size);
  for (size_t i = 0; i < summary_column_count; ++i) {
    starts_[i] = static_cast<uint32_t>(blob_.size());
    blob_ += up_to_nul(columns[i]);
    blob_ += '\0';
  }
}

track_summary track_summary::from_blob(float length_seconds, byte_cursor& blob) {
  check_blob_size(blob.remaining());
  track_summary s;
  s.length = length_seconds;
  byte_cursor check = blob;
  const size_t base = check.position();
  for (size_t i = 0; i < summary_column_count; ++i) {
    if (check.at_end()) check.fail("fewer than eight strings");
    s.starts_[i] = static_cast<uint32_t>(check.position() - base);
    check.zstring();
  }
  if (!check.at_end()) check.fail("bytes after the eighth string");
  const std::span<const uint8_t> bytes = blob.rest();
  s.blob_.assign(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  return s;
}

void track_summary::set_column(summary_column c, std::string_view value) {
  value = up_to_nul(value);
  const size_t i = size_t(c);
  const size_t old_size = column(c).size();
  check_blob_size(blob_.size() - old_size + value.size());
  // value may lie in the blob itself (one column set from another): replace copes.
  blob_.replace(starts_[i], old_size, value);
  for (size_t j = i + 1; j < summary_column_count; ++j)
    starts_[j] = static_cast<uint32_t>(starts_[j] - old_size + value.size());
}

track_summary make_track_summary(const track_info& info) {
  std::array<std::string_view, summary_column_count> columns{};
  std::array<bool, summary_column_count> is_set{};
  std::string album, disc;

  if (std::optional<std::string_view> found = info.meta_find_value(meta_names::album)) {
    if (fold_disc_suffix(*found, album, disc)) {
      columns[size_t(summary_column::album)] = album;
      columns[size_t(summary_column::discnumber)] = disc;
      is_set[size_t(summary_column::album)] = true;
      is_set[size_t(summary_column::discnumber)] = true;
    }
  }
  if (std::optional<std::string_view> number = info.meta_find_value(meta_names::tracknumber)) {
    size_t digits = 0;
    while (digits < number->size() && is_digit((*number)[digits])) ++digits;
    if (digits > 0 && digits < number->size()) {
      columns[size_t(summary_column::tracknumber)] = number->substr(0, digits);
      is_set[size_t(summary_column::tracknumber)] = true;
    }
  }
  // A single value is used where it lies; only several values are joined into a copy.
  std::array<std::string, summary_column_count> joined;
  for (size_t i = 0; i < summary_column_count; ++i) {
    if (is_set[i]) continue;
    const size_t entry = info.meta_find(summary_column_names[i]);
    if (entry == track_info::npos) continue;
    if (info.meta_value_count(entry) == 1) {
      columns[i] = info.meta_value(entry, 0);
    } else {
      joined[i] = info.meta_joined(entry);
      columns[i] = joined[i];
    }
  }
  return track_summary(static_cast<float>(info.get_length()), columns);
}

}  // namespace lumo
