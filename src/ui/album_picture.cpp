#include "ui/album_picture.h"

#include "core/exceptions.h"
#include "fs/file_system.h"
#include "input/album_art.h"
#include "input/input_exceptions.h"

namespace lumo {

std::optional<std::string> choose_album_picture_file(
    const std::function<bool(std::string_view name)>& exists) {
  for (std::string_view name : album_picture_file_names)
    if (exists(name)) return std::string(name);
  return std::nullopt;
}

std::optional<std::string> find_album_picture_file(std::string_view track_url) {
  const size_t cut = track_url.find_last_of("\\/");
  if (cut == std::string_view::npos) return std::nullopt;
  const std::string folder(track_url.substr(0, cut + 1));
  try {
    const file_system& fs = find_file_system(folder);
    std::optional<std::string> name = choose_album_picture_file(
        [&](std::string_view n) { return fs.exists(folder + std::string(n)); });
    if (name) return folder + *name;
  } catch (const std::exception&) {
    // A location no file system claims has no picture files.
  }
  return std::nullopt;
}

namespace {

void tell(const std::function<void(const std::string&)>& report, std::string_view where,
          const std::exception& e) {
  if (report) report(std::string(where) + ": " + e.what());
}

}  // namespace

std::optional<std::vector<uint8_t>> read_album_picture(
    std::string_view track_url, const abort_signal& abort,
    const std::function<void(const std::string& problem)>& report) {
  try {
    auto reader = open_album_art_reader(track_url, nullptr, abort);
    tag_picture front = reader->query(album_art_kind::front_cover, abort);
    if (!front.data.empty() && front.data.size() <= album_picture_max_bytes)
      return std::move(front.data);
  } catch (const sonatrix_io::exception_album_art_not_found&) {
  } catch (const sonatrix_io::exception_album_art_unsupported_format&) {
  } catch (const sonatrix_io::exception_io_unsupported_format&) {
    // Formats without pictures, and tracks without one, fall back to the files.
  } catch (const kel::exception_aborted&) {
    throw;
  } catch (const std::exception& e) {
    tell(report, track_url, e);
  }
  const std::optional<std::string> name = find_album_picture_file(track_url);
  if (!name) return std::nullopt;
  try {
    file_ptr f = open_file(*name, open_mode::read, abort);
    const uint64_t size = f->get_size(abort);
    if (size == 0 || size > album_picture_max_bytes) return std::nullopt;
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    f->read_exact(bytes.data(), bytes.size(), abort);
    return bytes;
  } catch (const kel::exception_aborted&) {
    throw;
  } catch (const std::exception& e) {
    tell(report, *name, e);
  }
  return std::nullopt;
}

}  // namespace lumo
