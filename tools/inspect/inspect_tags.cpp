// lumo-inspect tags FILE and lumo-inspect retag FILE ...
//
// A file some input handler claims goes through the input framework: its info reader, its
// album-art reader for the pictures, and its info writer (with its album-art editor for
// --picture). A file no handler claims yet is read and written as a file with ID3v2 at
// the start and APE/ID3v1 at the end, through the same tag code the MPEG input uses;
// files of the APE-tagged formats (WavPack, Musepack, ...) through the APE tag service.
#include <cstdio>
#include <exception>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/abort.h"
#include "core/exceptions.h"
#include "core/md5.h"
#include "fs/file_system.h"
#include "input/album_art.h"
#include "input/input_exceptions.h"
#include "input/input_open.h"
#include "inspect_input.h"
#include "meta/field_name.h"
#include "meta/track_info_mutable.h"
#include "tags/ape_tag_service.h"
#include "tags/file_tags.h"

namespace {

using namespace lumo;

std::string hex(const md5_digest& digest) {
  std::string out;
  char two[3];
  for (uint8_t b : digest) {
    std::snprintf(two, sizeof two, "%02x", b);
    out += two;
  }
  return out;
}

bool has_handler(const std::string& url) {
  return find_handler_for_path(url) != nullptr;
}

track_info_mutable read_info(const std::string& url, std::vector<tag_picture>* pictures) {
  track_info_mutable info;
  if (has_handler(url)) {
    open_input_info_reader(url, nullptr, abort_none())->get_info(0, info, abort_none());
    if (pictures) {
      try {
        *pictures = open_album_art_reader(url, nullptr, abort_none())->list(abort_none());
      } catch (const sonatrix_io::exception_album_art_unsupported_format&) {
        // A format without pictures shows none.
      }
    }
    return info;
  }
  file_ptr f = open_file(url, open_mode::read, abort_none());
  read_file_tags(*f, info, abort_none());
  if (pictures) *pictures = read_file_pictures(*f, abort_none());
  return info;
}

void print_tags(const std::string& url, const track_info& info,
                const std::vector<tag_picture>& pictures) {
  std::printf("{\n  \"path\": %s,\n  \"tagtype\": %s,\n  \"meta\": {", json_string(url).c_str(),
              json_string(info.info_find_value(info_names::tagtype).value_or("")).c_str());
  for (size_t i = 0; i < info.meta_count(); ++i) {
    std::printf("%s\n    %s: [", i ? "," : "", json_string(info.meta_name(i)).c_str());
    for (size_t v = 0; v < info.meta_value_count(i); ++v)
      std::printf("%s%s", v ? ", " : "", json_string(info.meta_value(i, v)).c_str());
    std::printf("]");
  }
  std::printf("%s},\n  \"replaygain\": {", info.meta_count() ? "\n  " : "");
  const auto rg = info.get_replaygain().to_text_fields();
  for (size_t i = 0; i < rg.size(); ++i)
    std::printf("%s%s: %s", i ? ", " : "", json_string(rg[i].first).c_str(),
                json_string(rg[i].second).c_str());
  std::printf("},\n  \"pictures\": [");
  for (size_t i = 0; i < pictures.size(); ++i) {
    const auto& p = pictures[i];
    std::printf(
        "%s\n    {\"type\": %u, \"mime\": %s, \"description\": %s, \"bytes\": %zu, \"md5\": "
        "\"%s\"}",
        i ? "," : "", p.id3v2_type, json_string(p.mime_type).c_str(),
        json_string(p.description).c_str(), p.data.size(), hex(md5(p.data)).c_str());
  }
  std::printf("%s]\n}\n", pictures.empty() ? "" : "\n  ");
}

std::vector<uint8_t> read_local_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw sonatrix_io::exception_io_not_found();
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Applies --set/--clear in command-line order: the first --set of a field replaces its
// values, later ones add to them. ReplayGain names go to the ReplayGain values.
bool apply_edits(const std::vector<std::string>& args, track_info_mutable& info,
                 std::vector<picture_edit>& pictures) {
  std::vector<std::string> set_once;
  for (size_t i = 2; i < args.size(); ++i) {
    if (i + 1 >= args.size()) return false;
    const std::string& option = args[i];
    const std::string& value = args[++i];
    if (option == "--set") {
      size_t eq = value.find('=');
      if (eq == std::string::npos || eq == 0) return false;
      std::string name = value.substr(0, eq), text = value.substr(eq + 1);
      if (info.replaygain_set_from_text(name, text)) continue;
      bool seen = false;
      for (const auto& s : set_once) seen = seen || field_name_equal(s, name);
      if (!seen) {
        info.meta_remove(name);
        set_once.push_back(name);
      }
      info.meta_add_value(name, text);
    } else if (option == "--clear") {
      auto rg = info.get_replaygain();
      replaygain_info absent;
      if (field_name_equal(value, replaygain_album_gain_name))
        rg.album_gain = absent.album_gain;
      else if (field_name_equal(value, replaygain_album_peak_name))
        rg.album_peak = absent.album_peak;
      else if (field_name_equal(value, replaygain_track_gain_name))
        rg.track_gain = absent.track_gain;
      else if (field_name_equal(value, replaygain_track_peak_name))
        rg.track_peak = absent.track_peak;
      else
        info.meta_remove(value);
      info.set_replaygain(rg);
    } else if (option == "--picture") {
      size_t eq = value.find('=');
      auto kind = album_art_kind_from_name(value.substr(0, eq));
      if (eq == std::string::npos || !kind) return false;
      picture_edit edit;
      edit.kind = *kind;
      if (eq + 1 < value.size()) edit.data = read_local_file(value.substr(eq + 1));
      pictures.push_back(std::move(edit));
    } else {
      return false;
    }
  }
  return true;
}

}  // namespace

int inspect_tags(const std::vector<std::string>& args) {
  if (args.size() != 2) {
    std::fputs("usage: lumo-inspect tags FILE\n", stderr);
    return 2;
  }
  try {
    const std::string url = inspect_url(args[1]);
    std::vector<tag_picture> pictures;
    auto info = read_info(url, &pictures);
    print_tags(url, info, pictures);
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", kel::error_text(e).c_str());
    return 1;
  }
}

int inspect_retag(const std::vector<std::string>& args) {
  if (args.size() < 2) {
    std::fputs(
        "usage: lumo-inspect retag FILE [--set FIELD=VALUE]... [--clear FIELD]... "
        "[--picture KIND=IMAGE]...\n",
        stderr);
    return 2;
  }
  try {
    const std::string url = inspect_url(args[1]);
    auto info = read_info(url, nullptr);
    std::vector<picture_edit> pictures;
    if (!apply_edits(args, info, pictures)) {
      std::fputs("lumo-inspect retag: bad option\n", stderr);
      return 2;
    }
    if (has_handler(url)) {
      auto writer = open_input_info_writer(url, nullptr, abort_none());
      if (!pictures.empty()) {
        auto* editor = dynamic_cast<album_art_editor*>(writer.get());
        if (!editor) throw sonatrix_io::exception_album_art_unsupported_format();
        for (auto& edit : pictures) editor->set_album_art(edit.kind, std::move(edit.data));
      }
      writer->set_info(0, info, abort_none());
      writer->commit(abort_none());
      return 0;
    }
    if (is_ape_tagged_path(url)) {
      write_ape_tagged_file(url, info, pictures, abort_none());
      return 0;
    }
    file_tag_write request;
    request.types = tag_types_of(info);
    // An untagged file gets the default scheme: ID3v2 at the start, ID3v1 at the end.
    if (!request.types.any()) request.types.id3v2 = request.types.id3v1 = true;
    request.pictures = std::move(pictures);
    write_file_tags(url, info, request, abort_none());
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", kel::error_text(e).c_str());
    return 1;
  }
}
