#include "library/track_summary.h"

#include "meta/track_info.h"

namespace lumo {

namespace {

// Tried in this order against the end of the album; '%' is a run of digits.
constexpr std::array<std::string_view, 20> k_disc_suffixes = {
    ", Disc %", ", Disc%", ", CD %",    ", CD%",    " - Disc %", " - Disc%",  " - CD %",
    " - CD%",   " Disc %", " Disc%",    " CD %",    " CD%",      " (Disc %)", " (Disc%)",
    " (CD %)",  " (CD%)",  " [Disc %]", " [Disc%]", " [CD %]",   " [CD%]"};

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

track_summary make_track_summary(const track_info& info) {
  track_summary s;
  s.length = static_cast<float>(info.get_length());
  std::array<bool, summary_column_count> is_set{};

  if (std::optional<std::string_view> album = info.meta_find_value(meta_names::album)) {
    if (fold_disc_suffix(*album, s.column(summary_column::album),
                         s.column(summary_column::discnumber))) {
      is_set[size_t(summary_column::album)] = true;
      is_set[size_t(summary_column::discnumber)] = true;
    }
  }
  if (std::optional<std::string_view> number = info.meta_find_value(meta_names::tracknumber)) {
    size_t digits = 0;
    while (digits < number->size() && is_digit((*number)[digits])) ++digits;
    if (digits > 0 && digits < number->size()) {
      s.column(summary_column::tracknumber).assign(number->substr(0, digits));
      is_set[size_t(summary_column::tracknumber)] = true;
    }
  }
  for (size_t i = 0; i < summary_column_count; ++i)
    if (!is_set[i]) s.columns[i] = info.meta_joined(summary_column_names[i]);
  return s;
}

}  // namespace lumo
