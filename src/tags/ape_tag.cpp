#include "tags/ape_tag.h"

#include <optional>
#include <string_view>

#include "core/byte_cursor.h"
#include "core/exceptions.h"
#include "core/unicode.h"
#include "meta/field_name.h"

namespace lumo::ape {

namespace {

struct picture_key_entry {
  std::string_view key;
  album_art_kind kind;
};
// "Cover Art (Media)" also means the disc; we write "Cover Art (Disc)".
constexpr picture_key_entry g_picture_keys[] = {
    {"Cover Art (Front)", album_art_kind::front_cover},
    {"Cover Art (Back)", album_art_kind::back_cover},
    {"Artist Picture", album_art_kind::artist},
    {"Cover Art (Disc)", album_art_kind::disc},
    {"Cover Art (Media)", album_art_kind::disc},
};

std::optional<album_art_kind> picture_kind_of(std::string_view key) {
  for (const auto& e : g_picture_keys)
    if (field_name_equal(e.key, key)) return e.kind;
  return std::nullopt;
}

std::string valid_utf8(std::span<const uint8_t> bytes) {
  std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  if (utf8_is_valid(text)) return std::string(text);
  std::string out;
  for (size_t pos = 0; pos < text.size();) utf8_append(out, utf8_next(text, pos));
  return out;
}

std::vector<std::string> split_values(std::span<const uint8_t> value) {
  std::vector<std::string> values;
  size_t start = 0;
  for (size_t i = 0; i <= value.size(); ++i) {
    if (i == value.size() || value[i] == 0) {
      values.push_back(valid_utf8(value.subspan(start, i - start)));
      start = i + 1;
    }
  }
  return values;
}

bool is_replaygain_name(std::string_view name) {
  for (auto rg : {replaygain_album_gain_name, replaygain_album_peak_name,
                  replaygain_track_gain_name, replaygain_track_peak_name})
    if (field_name_equal(name, rg)) return true;
  return false;
}

std::string_view extension_of(std::span<const uint8_t> data) {
  std::string_view mime = image_mime_type(data);
  if (mime == "image/png") return "png";
  if (mime == "image/jpeg") return "jpg";
  if (mime == "image/gif") return "gif";
  if (mime == "image/bmp") return "bmp";
  return "bin";
}

void put_block(std::string& out, const tag& t, size_t items_bytes, uint32_t flags) {
  out += "APETAGEX";
  put_le(out, version_2, 4);
  put_le(out, items_bytes + block_bytes, 4);
  put_le(out, t.items.size(), 4);
  put_le(out, flags, 4);
  out.append(8, '\0');
}

}  // namespace

location parse_footer(std::span<const uint8_t> footer, uint64_t footer_end,
                      uint64_t available_bytes) {
  byte_cursor c(footer, "APE tag footer", footer_end - block_bytes);
  if (!c.peek_equals("APETAGEX")) c.fail("no APETAGEX");
  c.skip(8);
  const uint32_t version = c.u32le();
  if (version != version_1 && version != version_2) c.fail("version " + std::to_string(version));
  const uint64_t size = c.u32le();
  c.skip(4);
  const uint32_t flags = c.u32le();
  const uint64_t whole =
      size + ((flags & flag_has_header) && version == version_2 ? block_bytes : 0);
  if (size < block_bytes || whole > available_bytes) c.fail("tag size " + std::to_string(size));
  return {footer_end - whole, whole};
}

tag parse_tag(std::span<const uint8_t> bytes, uint64_t base_offset) {
  if (bytes.size() < block_bytes)
    throw_data_error("APE tag", base_offset, "shorter than its footer");
  auto footer = bytes.last(block_bytes);
  byte_cursor f(footer, "APE tag footer", base_offset + bytes.size() - block_bytes);
  f.skip(8);
  tag t;
  t.version = f.u32le();
  const uint32_t size = f.u32le();
  const uint32_t count = f.u32le();
  if (size < block_bytes || size > bytes.size()) f.fail("tag size " + std::to_string(size));
  const size_t items_start = bytes.size() - size;
  byte_cursor c(bytes.subspan(items_start, size - block_bytes), "APE tag item",
                base_offset + items_start);
  for (uint32_t i = 0; i < count; ++i) {
    // Each item takes at least 9 bytes, so a hostile count ends at the tag's end.
    item it;
    const uint32_t value_bytes = c.u32le();
    it.flags = c.u32le();
    it.key = std::string(c.zstring());
    if (value_bytes > c.remaining()) c.fail("item value runs past the tag");
    auto value = c.bytes(value_bytes);
    it.value.assign(value.begin(), value.end());
    t.items.push_back(std::move(it));
  }
  return t;
}

std::vector<tag_picture> read_fields(const tag& t, track_info_mutable& out) {
  std::vector<tag_picture> pictures;
  auto add = [&](std::string_view name, std::string_view value) {
    if (!name.empty()) out.meta_add_value(name, value);
  };
  for (const auto& it : t.items) {
    if (it.type() == item_type::binary) {
      auto kind = picture_kind_of(it.key);
      if (!kind) continue;
      size_t name_end = 0;
      while (name_end < it.value.size() && it.value[name_end] != 0) ++name_end;
      tag_picture p;
      p.id3v2_type = id3v2_picture_type(*kind);
      p.description = valid_utf8(std::span(it.value).first(name_end));
      if (name_end < it.value.size())
        p.data.assign(it.value.begin() + name_end + 1, it.value.end());
      p.mime_type = std::string(image_mime_type(p.data));
      pictures.push_back(std::move(p));
      continue;
    }
    if (it.type() != item_type::text) continue;
    auto values = split_values(it.value);
    if (field_name_equal(it.key, "Track") || field_name_equal(it.key, "Disc")) {
      const bool track = field_name_equal(it.key, "Track");
      const std::string& v = values[0];
      size_t slash = v.find('/');
      add(track ? meta_names::tracknumber : meta_names::discnumber, v.substr(0, slash));
      if (slash != std::string::npos && slash + 1 < v.size())
        add(track ? meta_names::totaltracks : meta_names::totaldiscs, v.substr(slash + 1));
    } else if (field_name_equal(it.key, "Year")) {
      for (const auto& v : values) add(meta_names::date, v);
    } else if (!out.replaygain_set_from_text(it.key, values[0])) {
      for (const auto& v : values) add(it.key, v);
    }
  }
  return pictures;
}

tag build_tag(const tag* old, const track_info& info, std::span<const picture_edit> edits) {
  tag t;
  auto add_text = [&](std::string_view key, const std::string& value) {
    item it;
    it.key = std::string(key);
    it.value.assign(value.begin(), value.end());
    t.items.push_back(std::move(it));
  };
  auto joined = [&](size_t entry) {
    std::string v;
    for (size_t i = 0; i < info.meta_value_count(entry); ++i) {
      if (i) v.push_back('\0');
      v += info.meta_value(entry, i);
    }
    return v;
  };
  bool track_done = false, disc_done = false;
  for (size_t i = 0; i < info.meta_count(); ++i) {
    std::string_view name = info.meta_name(i);
    if (is_replaygain_name(name)) continue;
    const bool is_track = field_name_equal(name, meta_names::tracknumber) ||
                          field_name_equal(name, meta_names::totaltracks);
    const bool is_disc = field_name_equal(name, meta_names::discnumber) ||
                         field_name_equal(name, meta_names::totaldiscs);
    if (is_track || is_disc) {
      bool& done = is_track ? track_done : disc_done;
      if (done) continue;
      done = true;
      std::string v(
          info.meta_find_value(is_track ? meta_names::tracknumber : meta_names::discnumber)
              .value_or(""));
      if (auto total =
              info.meta_find_value(is_track ? meta_names::totaltracks : meta_names::totaldiscs))
        v += "/" + std::string(*total);
      add_text(is_track ? "Track" : "Disc", v);
    } else if (field_name_equal(name, meta_names::date)) {
      add_text("Year", joined(i));
    } else {
      add_text(name, joined(i));
    }
  }
  for (const auto& [name, value] : info.get_replaygain().to_text_fields()) add_text(name, value);

  // Pictures: the old ones with the edits applied, all written again under their kind's key.
  std::vector<std::pair<album_art_kind, std::vector<uint8_t>>> pictures;
  if (old) {
    track_info_mutable scratch;
    for (auto& p : read_fields(*old, scratch))
      pictures.emplace_back(*album_art_kind_of_id3v2_type(p.id3v2_type), std::move(p.data));
    for (const auto& it : old->items)
      if (it.type() != item_type::text &&
          !(it.type() == item_type::binary && picture_kind_of(it.key)))
        t.items.push_back(it);
  }
  for (const auto& edit : edits) {
    std::erase_if(pictures, [&](const auto& p) { return p.first == edit.kind; });
    if (!edit.data.empty()) pictures.emplace_back(edit.kind, edit.data);
  }
  for (const auto& [kind, data] : pictures) {
    item it;
    it.key = std::string(picture_key(kind));
    it.flags = static_cast<uint32_t>(item_type::binary) << 1;
    std::string name = "hello." + std::string(extension_of(data));
    it.value.assign(name.begin(), name.end());
    it.value.push_back(0);
    it.value.insert(it.value.end(), data.begin(), data.end());
    t.items.push_back(std::move(it));
  }
  return t;
}

std::string render_tag(const tag& t, bool header_only) {
  std::string items;
  for (const auto& it : t.items) {
    put_le(items, it.value.size(), 4);
    put_le(items, it.flags, 4);
    items += it.key;
    items.push_back('\0');
    items.append(reinterpret_cast<const char*>(it.value.data()), it.value.size());
  }
  if (items.size() + 2 * block_bytes > UINT32_MAX) throw kel::exception_overflow("overflow");
  std::string out;
  put_block(out, t, items.size(), flag_has_header | flag_is_header);
  out += items;
  if (!header_only) put_block(out, t, items.size(), flag_has_header);
  return out;
}

std::string_view picture_key(album_art_kind kind) {
  for (const auto& e : g_picture_keys)
    if (e.kind == kind) return e.key;
  return g_picture_keys[0].key;
}

}  // namespace lumo::ape
