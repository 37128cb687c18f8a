#include "tags/ape_tag_service.h"

#include <vector>

#include "fs/file_system.h"
#include "meta/field_name.h"
#include "tags/file_tags.h"

namespace lumo {

namespace {

std::string_view extension_of(std::string_view path) {
  const size_t slash = path.find_last_of("\\/|:");
  std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  const size_t dot = name.rfind('.');
  return dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
}

}  // namespace

bool is_ape_tagged_path(std::string_view path) {
  const std::string_view ext = extension_of(path);
  if (ext.empty()) return false;
  std::string_view list = ape_tagged_extensions;
  while (!list.empty()) {
    const size_t semicolon = list.find(';');
    if (field_name_equal(list.substr(0, semicolon), ext)) return true;
    list = semicolon == std::string_view::npos ? std::string_view() : list.substr(semicolon + 1);
  }
  return false;
}

void read_ape_tagged_file(file& f, track_info_mutable& out, const abort_signal& abort) {
  read_file_tags(f, out, abort);
}

void write_ape_tagged_file(std::string_view url, const track_info& info,
                           std::span<const picture_edit> pictures, const abort_signal& abort) {
  file_tag_write request;
  {
    file_ptr f = open_file(url, open_mode::read, abort);
    const file_tag_layout layout = scan_file_tags(*f, abort);
    request.types.id3v2 = layout.id3v2.count > 0;
    request.types.id3v1 = layout.has_id3v1;
  }
  request.types.ape = true;
  request.pictures.assign(pictures.begin(), pictures.end());
  write_file_tags(url, info, request, abort);
}

void remove_ape_tag(std::string_view url, const abort_signal& abort) {
  file_ptr f = open_file(url, open_mode::write_existing, abort);
  const file_tag_layout layout = scan_file_tags(*f, abort);
  if (!layout.ape_bytes) return;
  std::vector<uint8_t> rest(
      static_cast<size_t>(layout.file_bytes - layout.ape_offset - layout.ape_bytes));
  if (!rest.empty()) {
    f->seek(layout.ape_offset + layout.ape_bytes, abort);
    f->read_exact(rest.data(), rest.size(), abort);
    f->seek(layout.ape_offset, abort);
    f->write(rest.data(), rest.size(), abort);
  }
  f->resize(layout.ape_offset + rest.size(), abort);
}

}  // namespace lumo
