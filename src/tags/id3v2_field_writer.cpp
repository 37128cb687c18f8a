// Fields to frames: the reverse of the reader, plus the frames of the old tag that did not
// become fields, carried over byte for byte.
#include <algorithm>
#include <set>
#include <string>
#include <string_view>

#include "meta/field_name.h"
#include "tags/id3v2_fields.h"
#include "tags/id3v2_frame_table.h"
#include "tags/id3v2_text.h"

namespace lumo::id3 {

namespace {

constexpr std::string_view comment_prefix = "comment ";
// The e-mail field of the rating frame, as Windows Media Player writes it.
constexpr std::string_view popm_email = "Windows Media Player 9 Series";

bool is_replaygain_name(std::string_view name) {
  for (auto rg : {replaygain_album_gain_name, replaygain_album_peak_name,
                  replaygain_track_gain_name, replaygain_track_peak_name})
    if (field_name_equal(name, rg)) return true;
  return false;
}

bool is_digits(std::string_view text, size_t from, size_t count) {
  if (text.size() < from + count) return false;
  for (size_t i = from; i < from + count; ++i)
    if (text[i] < '0' || text[i] > '9') return false;
  return true;
}

std::vector<std::string> values_of(const track_info& info, size_t entry) {
  std::vector<std::string> values;
  for (size_t v = 0; v < info.meta_value_count(entry); ++v)
    values.emplace_back(info.meta_value(entry, v));
  return values;
}

class tag_builder {
 public:
  tag_builder(uint8_t version, const id3v2_tag* old)
      : version_(version),
        encoding_(version >= 4 ? text_encoding::utf8 : text_encoding::utf16_bom),
        old_(old) {}

  void add_fields(const track_info& info) {
    std::set<std::string_view> pairs_done;
    for (size_t i = 0; i < info.meta_count(); ++i) {
      std::string_view name = info.meta_name(i);
      auto values = values_of(info, i);
      if (is_replaygain_name(name)) continue;  // the ReplayGain record is written below
      if (field_name_equal(name, meta_names::date)) {
        add_date(values[0]);
      } else if (field_name_equal(name, meta_names::genre)) {
        add_genre(values);
      } else if (field_name_equal(name, "rating")) {
        add_rating(values[0]);
      } else if (field_name_equal(name, meta_names::comment)) {
        add_comment("", values);
      } else if (name.size() > comment_prefix.size() &&
                 field_name_equal(name.substr(0, comment_prefix.size()), comment_prefix)) {
        add_comment(std::string(name.substr(comment_prefix.size())), values);
      } else if (const frame_mapping* m = find_mapping(name)) {
        add_mapped(*m, info, values, pairs_done);
      } else if (is_old_user_url(name)) {
        add_user_url(name, values[0]);
      } else {
        add_user_text(name, values);
      }
    }
    for (const auto& [name, value] : info.get_replaygain().to_text_fields())
      add_user_text(name, {value});
  }

  void keep_old_frames(const std::vector<bool>& consumed, std::span<const picture_edit> edits) {
    if (!old_) return;
    for (size_t i = 0; i < old_->frames.size(); ++i) {
      const auto& frame = old_->frames[i];
      if (consumed[i] || frame.id.size() != 4) continue;
      if (frame.id == "APIC" && is_replaced_picture(frame, edits)) continue;
      frames_.push_back(frame);
    }
  }

  void add_pictures(std::span<const picture_edit> edits) {
    for (const auto& edit : edits) {
      if (edit.data.empty()) continue;
      std::string p;
      p.push_back(static_cast<char>(text_encoding::latin1));
      p += image_mime_type(edit.data);
      p.push_back('\0');
      p.push_back(static_cast<char>(id3v2_picture_type(edit.kind)));
      p.push_back('\0');  // no description
      p.append(reinterpret_cast<const char*>(edit.data.data()), edit.data.size());
      add_frame("APIC", p);
    }
  }

  std::vector<id3v2_frame> take_frames() { return std::move(frames_); }

 private:
  const frame_mapping* find_mapping(std::string_view field) const {
    for (const auto& m : frame_table) {
      if (!field_name_equal(m.field, field) && !field_name_equal(m.second_field, field)) continue;
      // One field, two frames: the version decides.
      if (m.frame == "TDOR" && version_ < 4) continue;
      if (m.frame == "TORY" && version_ >= 4) continue;
      return &m;
    }
    return nullptr;
  }

  void add_frame(std::string_view id, const std::string& payload) {
    id3v2_frame frame;
    frame.id = std::string(id);
    frame.payload.assign(payload.begin(), payload.end());
    frames_.push_back(std::move(frame));
  }

  void append_values(std::string& p, const std::vector<std::string>& values) {
    for (size_t i = 0; i < values.size(); ++i) {
      if (i) append_terminator(p, encoding_);
      append_encoded(p, encoding_, values[i]);
    }
  }

  void add_text(std::string_view id, const std::vector<std::string>& values) {
    std::string p(1, static_cast<char>(encoding_));
    append_values(p, values);
    add_frame(id, p);
  }

  void add_mapped(const frame_mapping& m, const track_info& info,
                  const std::vector<std::string>& values, std::set<std::string_view>& pairs_done) {
    switch (m.kind) {
      case frame_kind::single_text: {
        std::string joined;
        for (size_t i = 0; i < values.size(); ++i) {
          if (i) joined += multi_value_separator;
          joined += values[i];
        }
        if (m.frame == "USLT")
          add_comment_layout("USLT", "", {joined});
        else
          add_text(m.frame, {joined});
        return;
      }
      case frame_kind::multi_text: add_text(m.frame, values); return;
      case frame_kind::url: add_frame(m.frame, utf8_to_latin1(values[0])); return;
      case frame_kind::number_pair: {
        if (!pairs_done.insert(m.frame).second) return;
        std::string text(info.meta_find_value(m.field).value_or(""));
        if (auto total = info.meta_find_value(m.second_field)) text += "/" + std::string(*total);
        add_text(m.frame, {text});
        return;
      }
    }
  }

  void add_date(const std::string& date) {
    if (version_ >= 4) {
      add_text("TDRC", {date});
      return;
    }
    const bool full = date.size() == 10 && is_digits(date, 0, 4) && is_digits(date, 5, 2) &&
                      is_digits(date, 8, 2) &&
                      ((date[4] == '-' && date[7] == '-') || (date[4] == ' ' && date[7] == ' '));
    if (full) {
      add_text("TYER", {date.substr(0, 4)});
      add_text("TDAT", {date.substr(8, 2) + date.substr(5, 2)});
    } else {
      add_text("TYER", {date});
    }
  }

  void add_genre(std::vector<std::string> values) {
    // A genre that starts with "(" would read as a reference; "((" escapes it.
    for (auto& v : values)
      if (!v.empty() && v[0] == '(') v.insert(v.begin(), '(');
    add_text("TCON", values);
  }

  void add_rating(std::string_view value) {
    static constexpr uint8_t bytes[] = {1, 64, 128, 196, 255};
    if (value.size() != 1 || value[0] < '1' || value[0] > '5') return;
    std::string p(popm_email);
    p.push_back('\0');
    p.push_back(static_cast<char>(bytes[value[0] - '1']));
    p.append(4, '\0');  // play counter
    add_frame("POPM", p);
  }

  std::string old_comment_language(std::string_view id, std::string_view description) const {
    if (old_) {
      for (const auto& f : old_->frames) {
        if (f.id != id || f.payload.size() < 4 || !is_known_encoding(f.payload[0])) continue;
        std::span<const uint8_t> rest = std::span<const uint8_t>(f.payload).subspan(4);
        if (take_terminated_text(static_cast<text_encoding>(f.payload[0]), rest) == description)
          return std::string(reinterpret_cast<const char*>(f.payload.data() + 1), 3);
      }
    }
    return "eng";
  }

  void add_comment_layout(std::string_view id, const std::string& description,
                          const std::vector<std::string>& values) {
    std::string p(1, static_cast<char>(encoding_));
    p += old_comment_language(id, description);
    append_encoded(p, encoding_, description);
    append_terminator(p, encoding_);
    append_values(p, values);
    add_frame(id, p);
  }

  void add_comment(const std::string& description, const std::vector<std::string>& values) {
    add_comment_layout("COMM", description, values);
  }

  void add_user_text(std::string_view name, const std::vector<std::string>& values) {
    std::string p(1, static_cast<char>(encoding_));
    append_encoded(p, encoding_, name);
    append_terminator(p, encoding_);
    append_values(p, values);
    add_frame("TXXX", p);
  }

  // A field that came from a user link frame goes back into one.
  bool is_old_user_url(std::string_view name) const {
    if (!old_) return false;
    for (const auto& f : old_->frames) {
      if (f.id != "WXXX" || f.payload.empty() || !is_known_encoding(f.payload[0])) continue;
      std::span<const uint8_t> rest = std::span<const uint8_t>(f.payload).subspan(1);
      if (field_name_equal(take_terminated_text(static_cast<text_encoding>(f.payload[0]), rest),
                           name))
        return true;
    }
    return false;
  }

  void add_user_url(std::string_view name, std::string_view url) {
    std::string p(1, static_cast<char>(encoding_));
    append_encoded(p, encoding_, name);
    append_terminator(p, encoding_);
    p += utf8_to_latin1(url);
    add_frame("WXXX", p);
  }

  static bool is_replaced_picture(const id3v2_frame& frame, std::span<const picture_edit> edits) {
    auto picture = parse_apic_frame(frame);
    for (const auto& edit : edits)
      if (picture && picture->id3v2_type == id3v2_picture_type(edit.kind)) return true;
    return false;
  }

  uint8_t version_;
  text_encoding encoding_;
  const id3v2_tag* old_;
  std::vector<id3v2_frame> frames_;
};

}  // namespace

id3v2_tag build_id3v2_tag(const id3v2_tag* old, const track_info& info,
                          std::span<const picture_edit> pictures) {
  id3v2_tag tag;
  tag.major_version = old ? old->major_version : 3;
  if (tag.major_version == 2) tag.major_version = 3;
  if (tag.major_version != 3 && tag.major_version != 4) throw id3parser::writeError();
  std::vector<bool> consumed;
  if (old) {
    track_info_mutable scratch;
    consumed = read_id3v2_fields(*old, scratch);
  }
  tag_builder builder(tag.major_version, old);
  builder.add_fields(info);
  builder.keep_old_frames(consumed, pictures);
  builder.add_pictures(pictures);
  tag.frames = builder.take_frames();
  return tag;
}

}  // namespace lumo::id3
