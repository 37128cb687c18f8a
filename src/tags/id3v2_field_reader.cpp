// Frames to fields. Each frame either becomes fields (and is rebuilt from the record when
// the tag is written) or is kept as it is; the returned flags say which.
#include <algorithm>
#include <cmath>
#include <string>
#include <string_view>

#include "meta/field_name.h"
#include "tags/id3_genres.h"
#include "tags/id3v2_fields.h"
#include "tags/id3v2_frame_table.h"
#include "tags/id3v2_text.h"

namespace lumo::id3 {

namespace {

using bytes_view = std::span<const uint8_t>;

const frame_mapping* find_mapping(std::string_view frame_id) {
  for (const auto& m : frame_table)
    if (m.frame == frame_id) return &m;
  return nullptr;
}

bool is_digits(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

// Text frame payload: encoding byte, then the values. nullopt for an unknown encoding.
std::optional<std::vector<std::string>> text_values(bytes_view payload) {
  if (payload.empty() || !is_known_encoding(payload[0])) return std::nullopt;
  return decode_text_values(static_cast<text_encoding>(payload[0]), payload.subspan(1));
}

std::string join(const std::vector<std::string>& values, std::string_view separator) {
  std::string out;
  for (size_t i = 0; i < values.size(); ++i) {
    if (i) out += separator;
    out += values[i];
  }
  return out;
}

// The comment layout shared by COMM and USLT: encoding, language, description, text.
struct comment_parts {
  std::string description;
  std::vector<std::string> values;
};
std::optional<comment_parts> parse_comment(bytes_view payload) {
  if (payload.size() < 4 || !is_known_encoding(payload[0])) return std::nullopt;
  auto encoding = static_cast<text_encoding>(payload[0]);
  bytes_view rest = payload.subspan(4);
  comment_parts parts;
  parts.description = take_terminated_text(encoding, rest);
  parts.values = decode_text_values(encoding, rest);
  return parts;
}

// One TCON value by the genre rules; nullopt when it gives no genre.
std::optional<std::string> genre_value(const std::string& value) {
  if (is_digits(value)) {
    if (value.size() <= 3 && std::stoul(value) < id3v2_numeric_genre_count)
      return std::string(*id3v1_genre_name(std::stoul(value)));
    return value;
  }
  if (value.empty() || value[0] != '(') return value;
  std::string_view v(value);
  if (v.starts_with("(RX)")) return std::string("Remix");
  if (v.starts_with("(CR)")) return std::string("Cover");
  if (v.starts_with("((")) return value.substr(1);
  size_t close = v.find(')');
  if (close != std::string_view::npos && is_digits(v.substr(1, close - 1))) {
    std::string_view number = v.substr(1, close - 1);
    if (number.size() <= 3 && std::stoul(std::string(number)) < id3v2_numeric_genre_count)
      return std::string(*id3v1_genre_name(std::stoul(std::string(number))));
    return std::string();
  }
  return std::nullopt;
}

class field_reader {
 public:
  explicit field_reader(track_info_mutable& out) : out_(out) {}

  std::vector<bool> read(const id3v2_tag& tag) {
    std::vector<bool> consumed(tag.frames.size(), false);
    std::optional<size_t> tyer, tdat;
    bool has_tdrc = false;
    for (size_t i = 0; i < tag.frames.size(); ++i) {
      const auto& frame = tag.frames[i];
      if (frame.id == "TYER") {
        if (!tyer) tyer = i;
      } else if (frame.id == "TDAT") {
        if (!tdat) tdat = i;
      } else {
        if (frame.id == "TDRC") has_tdrc = true;
        consumed[i] = read_frame(frame);
      }
    }
    // A TDRC (2.4) carries the full date already; TYER/TDAT are the 2.3 pair.
    if (tyer && !has_tdrc) {
      consumed[*tyer] = read_year(tag.frames[*tyer], tdat ? &tag.frames[*tdat] : nullptr);
      if (consumed[*tyer] && tdat && tdat_used_) consumed[*tdat] = true;
    }
    return consumed;
  }

 private:
  void add(std::string_view name, std::string_view value) {
    if (!name.empty()) out_.meta_add_value(name, value);
  }

  bool read_frame(const id3v2_frame& frame) {
    const auto& id = frame.id;
    bytes_view payload = frame.payload;
    if (id == "TXXX") return read_user_text(payload);
    if (id == "COMM") return read_comment(payload);
    if (id == "TCON") return read_genre(payload);
    if (id == "POPM") return read_rating(payload);
    if (id == "WXXX") return read_user_url(payload);
    const frame_mapping* m = find_mapping(id);
    if (!m) return false;
    switch (m->kind) {
      case frame_kind::url: {
        std::string url =
            latin1_to_utf8(payload.first(std::min(payload.size(), text_length(payload))));
        if (url.empty()) return false;
        add(m->field, url);
        return true;
      }
      case frame_kind::single_text: {
        std::optional<std::vector<std::string>> values;
        if (id == "USLT") {
          auto parts = parse_comment(payload);
          if (parts) values = std::move(parts->values);
        } else {
          values = text_values(payload);
        }
        if (!values || values->empty()) return false;
        add(m->field, join(*values, multi_value_separator));
        return true;
      }
      case frame_kind::multi_text: {
        auto values = text_values(payload);
        if (!values || values->empty()) return false;
        for (const auto& v : *values) add(m->field, v);
        return true;
      }
      case frame_kind::number_pair: {
        auto values = text_values(payload);
        if (!values || values->empty()) return false;
        const std::string& text = (*values)[0];
        size_t slash = text.find('/');
        std::string number = text.substr(0, slash);
        if (!number.empty()) add(m->field, number);
        if (slash != std::string::npos && slash + 1 < text.size())
          add(m->second_field, text.substr(slash + 1));
        return true;
      }
    }
    return false;
  }

  static size_t text_length(bytes_view b) {
    size_t n = 0;
    while (n < b.size() && b[n] != 0) ++n;
    return n;
  }

  bool read_user_text(bytes_view payload) {
    if (payload.empty() || !is_known_encoding(payload[0])) return false;
    auto encoding = static_cast<text_encoding>(payload[0]);
    bytes_view rest = payload.subspan(1);
    std::string description = take_terminated_text(encoding, rest);
    if (description.empty()) return false;
    auto values = decode_text_values(encoding, rest);
    if (values.empty()) values.emplace_back();
    if (out_.replaygain_set_from_text(description, values[0])) return true;
    for (const auto& v : values) add(description, v);
    return true;
  }

  bool read_comment(bytes_view payload) {
    auto parts = parse_comment(payload);
    if (!parts) return false;
    // iTunes keeps player data (iTunNORM, iTunSMPB, ...) in comments: not a comment.
    if (parts->description.starts_with("iTun")) return false;
    std::string name(meta_names::comment);
    if (!parts->description.empty()) name += " " + parts->description;
    if (parts->values.empty()) parts->values.emplace_back();
    for (const auto& v : parts->values) add(name, v);
    return true;
  }

  bool read_genre(bytes_view payload) {
    auto values = text_values(payload);
    if (!values) return false;
    for (const auto& v : *values)
      if (auto genre = genre_value(v)) add(meta_names::genre, *genre);
    return true;
  }

  bool read_rating(bytes_view payload) {
    size_t email = text_length(payload);
    if (email + 1 >= payload.size())
      throw id3parser::parseError("POPM frame without a rating byte");
    const unsigned r = payload[email + 1];
    if (r == 0) return false;
    const int rating = static_cast<int>(std::floor((r - 1) * 4.0 / 254.0 + 0.5)) + 1;
    add("rating", std::to_string(rating));
    return true;
  }

  bool read_user_url(bytes_view payload) {
    if (payload.empty() || !is_known_encoding(payload[0])) return false;
    auto encoding = static_cast<text_encoding>(payload[0]);
    bytes_view rest = payload.subspan(1);
    std::string description = take_terminated_text(encoding, rest);
    if (description.empty()) return false;
    add(description, latin1_to_utf8(rest.first(text_length(rest))));
    return true;
  }

  bool read_year(const id3v2_frame& tyer, const id3v2_frame* tdat) {
    auto year = text_values(tyer.payload);
    if (!year || year->empty()) return false;
    const std::string& y = (*year)[0];
    if (y.size() == 4 && is_digits(y) && tdat) {
      auto day = text_values(tdat->payload);
      if (day && !day->empty() && (*day)[0].size() == 4 && is_digits((*day)[0])) {
        const std::string& ddmm = (*day)[0];
        add(meta_names::date, y + "-" + ddmm.substr(2, 2) + "-" + ddmm.substr(0, 2));
        tdat_used_ = true;
        return true;
      }
    }
    add(meta_names::date, y);
    return true;
  }

  track_info_mutable& out_;
  bool tdat_used_ = false;
};

}  // namespace

std::vector<bool> read_id3v2_fields(const id3v2_tag& tag, track_info_mutable& out) {
  return field_reader(out).read(tag);
}

std::optional<tag_picture> parse_apic_frame(const id3v2_frame& frame) {
  if (frame.id != "APIC") return std::nullopt;
  bytes_view p = frame.payload;
  if (p.empty() || !is_known_encoding(p[0]))
    throw id3parser::parseError("APIC frame with an unknown text encoding");
  auto encoding = static_cast<text_encoding>(p[0]);
  p = p.subspan(1);
  tag_picture picture;
  size_t mime_end = 0;
  while (mime_end < p.size() && p[mime_end] != 0) ++mime_end;
  if (mime_end + 2 > p.size()) throw id3parser::parseError("APIC frame cut short");
  picture.mime_type = latin1_to_utf8(p.first(mime_end));
  picture.id3v2_type = p[mime_end + 1];
  p = p.subspan(mime_end + 2);
  picture.description = take_terminated_text(encoding, p);
  picture.data.assign(p.begin(), p.end());
  return picture;
}

std::vector<tag_picture> read_id3v2_pictures(const id3v2_tag& tag) {
  std::vector<tag_picture> pictures;
  for (const auto& frame : tag.frames)
    if (auto picture = parse_apic_frame(frame)) pictures.push_back(std::move(*picture));
  return pictures;
}

}  // namespace lumo::id3
