#include "tags/file_tags.h"

#include <algorithm>
#include <string>

#include "core/byte_cursor.h"
#include "core/exceptions.h"
#include "fs/atomic_replace.h"
#include "fs/file_system.h"
#include "meta/field_name.h"
#include "tags/ape_tag.h"
#include "tags/id3v1_tag.h"
#include "tags/id3v2_fields.h"
#include "tags/id3v2_tag.h"

namespace lumo {

namespace {

constexpr size_t ape_footer_bytes = 32;
constexpr size_t copy_block_bytes = 1 << 20;

[[noreturn]] void throw_id3v2_data_error(const id3parser::parseError& e) {
  throw sonatrix_io::exception_io_data(std::string(e.what()) + " (" + e.detail() + ")");
}

std::vector<uint8_t> read_at(file& f, uint64_t offset, size_t count, const abort_signal& abort) {
  std::vector<uint8_t> bytes(count);
  f.seek(offset, abort);
  f.read_exact(bytes.data(), count, abort);
  return bytes;
}

std::optional<id3::id3v2_header> header_at(file& f, uint64_t offset, uint64_t file_bytes,
                                           const abort_signal& abort) {
  if (file_bytes < offset + id3::id3v2_header_bytes) return std::nullopt;
  auto bytes = read_at(f, offset, id3::id3v2_header_bytes, abort);
  return id3::parse_id3v2_header(bytes);
}

// The first tag's bytes, checked against the file's size before anything is allocated.
std::vector<uint8_t> first_tag_bytes(file& f, uint64_t file_bytes, const abort_signal& abort) {
  auto header = header_at(f, 0, file_bytes, abort);
  if (!header) return {};
  if (header->total_bytes() > file_bytes)
    throw id3parser::parseError("tag of " + std::to_string(header->total_bytes()) +
                                " bytes in a file of " + std::to_string(file_bytes));
  return read_at(f, 0, static_cast<size_t>(header->total_bytes()), abort);
}

std::optional<id3::id3v2_tag> read_first_tag(file& f, uint64_t file_bytes,
                                             const abort_signal& abort) {
  try {
    auto bytes = first_tag_bytes(f, file_bytes, abort);
    if (bytes.empty()) return std::nullopt;
    return id3::parse_id3v2_tag(bytes, 0);
  } catch (const id3parser::parseError& e) {
    throw_id3v2_data_error(e);
  }
}

void add_tagtype(track_info_mutable& out, std::string_view type) {
  std::string value(out.info_find_value(info_names::tagtype).value_or(""));
  if (!value.empty()) value += "|";
  value += type;
  out.info_set(info_names::tagtype, value);
}

// Fields of a later tag only fill names the earlier ones did not set.
void merge_missing(track_info_mutable& out, const track_info_mutable& later) {
  for (size_t i = 0; i < later.meta_count(); ++i) {
    if (out.meta_exists(later.meta_name(i))) continue;
    for (size_t v = 0; v < later.meta_value_count(i); ++v)
      out.meta_add_value(later.meta_name(i), later.meta_value(i, v));
  }
  auto rg = out.get_replaygain();
  rg.fill_missing(later.get_replaygain());
  out.set_replaygain(rg);
}

}  // namespace

static ape::tag read_ape_tag(file& f, const file_tag_layout& layout, const abort_signal& abort) {
  const uint64_t end = layout.file_bytes - (layout.has_id3v1 ? id3::id3v1_tag_bytes : 0);
  auto footer = read_at(f, end - ape::block_bytes, ape::block_bytes, abort);
  const auto where = ape::parse_footer(footer, end, end - layout.id3v2.total_bytes);
  auto bytes = read_at(f, where.offset, static_cast<size_t>(where.bytes), abort);
  return ape::parse_tag(bytes, where.offset);
}

leading_id3v2_tags count_leading_id3v2_tags(file& f, const abort_signal& abort) {
  leading_id3v2_tags tags;
  const uint64_t file_bytes = f.get_size(abort);
  for (;;) {
    std::optional<id3::id3v2_header> header;
    try {
      header = header_at(f, tags.total_bytes, file_bytes, abort);
    } catch (const id3parser::parseError&) {
      break;
    }
    if (!header || tags.total_bytes + header->total_bytes() > file_bytes) break;
    if (tags.count == 0) tags.first_tag_bytes = header->total_bytes();
    ++tags.count;
    tags.total_bytes += header->total_bytes();
  }
  return tags;
}

file_tag_layout scan_file_tags(file& f, const abort_signal& abort) {
  file_tag_layout layout;
  layout.file_bytes = f.get_size(abort);
  layout.id3v2 = count_leading_id3v2_tags(f, abort);
  uint64_t end = layout.file_bytes;
  if (end >= layout.id3v2.total_bytes + id3::id3v1_tag_bytes &&
      id3::is_id3v1_tag(read_at(f, end - id3::id3v1_tag_bytes, id3::id3v1_tag_bytes, abort))) {
    layout.has_id3v1 = true;
    end -= id3::id3v1_tag_bytes;
  }
  if (end >= layout.id3v2.total_bytes + ape_footer_bytes) {
    auto footer = read_at(f, end - ape_footer_bytes, ape_footer_bytes, abort);
    byte_cursor c(footer, "APE tag footer", end - ape_footer_bytes);
    if (c.peek_equals("APETAGEX")) {
      c.skip(12);
      const uint64_t tag_bytes = c.u32le();
      c.skip(4);
      const bool has_header = (c.u32le() & ape::flag_has_header) != 0;
      const uint64_t whole = tag_bytes + (has_header ? ape_footer_bytes : 0);
      layout.has_ape_footer = true;
      // A footer whose size does not fit is left to the APE reader to report; for the
      // layout it is audio.
      if (tag_bytes >= ape_footer_bytes && whole <= end - layout.id3v2.total_bytes) {
        layout.ape_offset = end - whole;
        layout.ape_bytes = whole;
        end -= whole;
      }
    }
  }
  layout.audio_end = end;
  return layout;
}

uint64_t read_id3v2(std::span<const uint8_t> bytes, uint64_t base_offset, track_info_mutable& out) {
  try {
    auto header = id3::parse_id3v2_header(bytes);
    if (!header)
      throw id3parser::parseError("no ID3v2 header at byte " + std::to_string(base_offset));
    auto tag = id3::parse_id3v2_tag(bytes, base_offset);
    id3::read_id3v2_fields(tag, out);
    add_tagtype(out, "id3v2." + std::to_string(tag.major_version));
    return header->total_bytes();
  } catch (const id3parser::parseError& e) {
    throw_id3v2_data_error(e);
  }
}

file_tag_layout read_file_tags(file& f, track_info_mutable& out, const abort_signal& abort) {
  file_tag_layout layout = scan_file_tags(f, abort);
  // Not only when the count found a tag: a damaged first tag is an error, not audio.
  try {
    auto bytes = first_tag_bytes(f, layout.file_bytes, abort);
    if (!bytes.empty()) read_id3v2(bytes, 0, out);
  } catch (const id3parser::parseError& e) {
    throw_id3v2_data_error(e);
  }
  if (layout.has_ape_footer) {
    track_info_mutable ape_fields;
    auto tag = read_ape_tag(f, layout, abort);
    ape::read_fields(tag, ape_fields);
    merge_missing(out, ape_fields);
    add_tagtype(out, tag.version == ape::version_1 ? "apev1" : "apev2");
  }
  if (layout.has_id3v1) {
    auto bytes = read_at(f, layout.file_bytes - id3::id3v1_tag_bytes, id3::id3v1_tag_bytes, abort);
    track_info_mutable v1;
    id3::read_id3v1(bytes, v1);
    merge_missing(out, v1);
    add_tagtype(out, "id3v1");
  }
  return layout;
}

std::vector<tag_picture> read_file_pictures(file& f, const abort_signal& abort) {
  const file_tag_layout layout = scan_file_tags(f, abort);
  std::vector<tag_picture> pictures;
  if (auto tag = read_first_tag(f, layout.file_bytes, abort)) {
    try {
      pictures = id3::read_id3v2_pictures(*tag);
    } catch (const id3parser::parseError& e) {
      throw_id3v2_data_error(e);
    }
  }
  if (layout.has_ape_footer) {
    track_info_mutable scratch;
    for (auto& p : ape::read_fields(read_ape_tag(f, layout, abort), scratch))
      pictures.push_back(std::move(p));
  }
  return pictures;
}

std::optional<tag_picture> find_album_art(file& f, album_art_kind kind, const abort_signal& abort) {
  for (auto& picture : read_file_pictures(f, abort))
    if (picture.id3v2_type == id3v2_picture_type(kind)) return std::move(picture);
  return std::nullopt;
}

tag_types tag_types_of(const track_info& info) {
  tag_types types;
  std::string_view value = info.info_find_value(info_names::tagtype).value_or("");
  while (!value.empty()) {
    size_t bar = value.find('|');
    std::string_view name = value.substr(0, bar);
    if (field_name_equal(name.substr(0, 5), "id3v2"))
      types.id3v2 = true;
    else if (field_name_equal(name, "id3v1"))
      types.id3v1 = true;
    else if (field_name_equal(name, "apev1") || field_name_equal(name, "apev2"))
      types.ape = true;
    value = bar == std::string_view::npos ? std::string_view() : value.substr(bar + 1);
  }
  return types;
}

bool write_file_tags(file& f, std::string_view url, const track_info& info,
                     const file_tag_write& request, const std::function<void()>& release_file,
                     const abort_signal& abort) {
  auto checkpoint = [&](std::string_view step) {
    if (request.test_checkpoint) request.test_checkpoint(step);
  };
  // Everything is prepared before the first byte is written, so a tag that cannot be
  // read or built leaves the file as it was.
  const file_tag_layout layout = scan_file_tags(f, abort);
  std::string leading;
  std::string trailing;
  bool is_in_place = true;
  if (request.types.id3v2) {
    auto old = read_first_tag(f, layout.file_bytes, abort);
    auto tag = id3::build_id3v2_tag(old ? &*old : nullptr, info, request.pictures);
    const uint32_t wish = request.allow_padding ? id3::id3v2_padding_wish_bytes : 0;
    auto rendered = id3::render_id3v2_tag(tag, layout.id3v2.first_tag_bytes, wish);
    leading = std::move(rendered.bytes);
    is_in_place = rendered.is_in_place;
  } else {
    is_in_place = layout.id3v2.count == 0;
  }
  if (request.types.ape) {
    std::optional<ape::tag> old;
    if (layout.has_ape_footer) old = read_ape_tag(f, layout, abort);
    trailing = ape::render_tag(ape::build_tag(old ? &*old : nullptr, info, request.pictures));
  }
  if (request.types.id3v1) {
    auto v1 = id3::build_id3v1(info);
    trailing.append(reinterpret_cast<const char*>(v1.data()), v1.size());
  }
  checkpoint("prepared");

  if (is_in_place) {
    if (!leading.empty()) {
      f.seek(0, abort);
      f.write(leading.data(), leading.size(), abort);
      checkpoint("leading tag written");
    }
    f.seek(layout.audio_end, abort);
    f.write(trailing.data(), trailing.size(), abort);
    checkpoint("trailing tags written");
    f.resize(layout.audio_end + trailing.size(), abort);
    return false;
  }
  const uint64_t audio_begin = layout.id3v2.first_tag_bytes;
  if (f.is_in_memory()) {
    // Nothing on disk to keep safe: the new content replaces the old one in the object.
    std::string content = leading;
    content.resize(leading.size() + static_cast<size_t>(layout.audio_end - audio_begin));
    f.seek(audio_begin, abort);
    f.read_exact(content.data() + leading.size(), content.size() - leading.size(), abort);
    content += trailing;
    f.seek(0, abort);
    f.write(content.data(), content.size(), abort);
    f.resize(content.size(), abort);
    return true;
  }
  const std::string temp_url =
      request.temporary_url.empty() ? std::string(url) + ".tmp" : request.temporary_url;
  replace_file_atomically(
      url, temp_url,
      [&](file& out, const abort_signal& a) {
        out.write(leading.data(), leading.size(), a);
        checkpoint("leading tag copied");
        std::vector<uint8_t> buffer(static_cast<size_t>(
            std::min<uint64_t>(copy_block_bytes, layout.audio_end - audio_begin)));
        f.seek(audio_begin, a);
        for (uint64_t at = audio_begin; at < layout.audio_end;) {
          size_t n = static_cast<size_t>(std::min<uint64_t>(buffer.size(), layout.audio_end - at));
          f.read_exact(buffer.data(), n, a);
          out.write(buffer.data(), n, a);
          at += n;
          checkpoint("audio copied");
        }
        out.write(trailing.data(), trailing.size(), a);
        checkpoint("trailing tags copied");
      },
      [&] {
        checkpoint("before replace");
        // Our handle on the old file must be gone before it can be replaced on Windows.
        release_file();
      },
      abort);
  return true;
}

bool write_file_tags(std::string_view url, const track_info& info, const file_tag_write& request,
                     const abort_signal& abort) {
  file_ptr f = open_file(url, open_mode::write_existing, abort);
  return write_file_tags(
      *f, url, info, request, [&] { f.reset(); }, abort);
}

}  // namespace lumo
