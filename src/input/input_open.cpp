#include "input/input_open.h"

#include <cstdio>

#include "core/debug_output.h"
#include "core/exceptions.h"
#include "core/md5.h"
#include "core/service_registry.h"
#include "input/input_exceptions.h"
#include "input/input_matching.h"

namespace lumo {

namespace {

// Handlers are singletons, so the pointer outlives the service_ptr.
template <class predicate>
const input_handler* first_handler(predicate&& matches) {
  const input_handler* found = nullptr;
  for_each_service<input_handler>([&](const service_ptr<input_handler>& handler) {
    if (matches(*handler)) found = handler.get();
    return !found;
  });
  return found;
}

template <class result_type>
std::shared_ptr<result_type> open_with(std::string_view path, file_ptr file,
                                       const abort_signal& abort,
                                       std::optional<std::string_view> content_type) {
  if (!file) file = open_file(path, open_mode::read, abort);
  const input_handler* handler = nullptr;
  if (content_type) handler = find_handler_for_content_type(*content_type);
  if (!handler) handler = find_handler_for_path(path);
  if (!handler) throw sonatrix_io::exception_io_unsupported_format();
  try {
    if constexpr (std::is_same_v<result_type, album_art_reader>) {
      return handler->open_album_art_reader(std::move(file), path, abort);
    } else if constexpr (std::is_same_v<result_type, input_decoder>) {
      return handler->open_decoder(std::move(file), path, abort);
    } else if constexpr (std::is_same_v<result_type, input_info_writer>) {
      return handler->open_info_writer(std::move(file), path, abort);
    } else {
      return handler->open_info_reader(std::move(file), path, abort);
    }
  } catch (const sonatrix_io::exception_io_data& e) {
    // The parser names the structure and offset; only here is the file known.
    debug_output("Cannot read " + std::string(path) + ": " + e.what() + "\n");
    throw;
  }
}

}  // namespace

const input_handler* find_handler_for_path(std::string_view path) {
  const std::string_view extension = extension_of(path);
  return first_handler([&](const input_handler& h) { return h.matches_path(path, extension); });
}

const input_handler* find_handler_for_content_type(std::string_view type) {
  return first_handler([&](const input_handler& h) { return h.matches_content_type(type); });
}

std::shared_ptr<input_decoder> open_input_decoder(std::string_view path, file_ptr file,
                                                  const abort_signal& abort,
                                                  std::optional<std::string_view> content_type) {
  return open_with<input_decoder>(path, std::move(file), abort, content_type);
}

std::shared_ptr<input_info_reader> open_input_info_reader(
    std::string_view path, file_ptr file, const abort_signal& abort,
    std::optional<std::string_view> content_type) {
  return open_with<input_info_reader>(path, std::move(file), abort, content_type);
}

std::shared_ptr<input_info_writer> open_input_info_writer(
    std::string_view path, file_ptr file, const abort_signal& abort,
    std::optional<std::string_view> content_type) {
  return open_with<input_info_writer>(path, std::move(file), abort, content_type);
}

std::shared_ptr<album_art_reader> open_album_art_reader(std::string_view path, file_ptr file,
                                                        const abort_signal& abort) {
  return open_with<album_art_reader>(path, std::move(file), abort, std::nullopt);
}

std::shared_ptr<album_art_reader> input_handler::open_album_art_reader(file_ptr, std::string_view,
                                                                       const abort_signal&) const {
  throw sonatrix_io::exception_album_art_unsupported_format();
}

std::string retagging_temporary_name(std::string_view path) {
  md5_hasher hasher;
  hasher.update({reinterpret_cast<const uint8_t*>(path.data()), path.size()});
  static constexpr std::string_view salt = "tmpretagging temporary file";
  hasher.update({reinterpret_cast<const uint8_t*>(salt.data()), salt.size()});
  const md5_digest digest = hasher.finish();
  const size_t separator = path.find_last_of("\\/|:");
  std::string name(separator == std::string_view::npos ? std::string_view{}
                                                       : path.substr(0, separator + 1));
  name += "temp-";
  for (uint8_t b : digest) {
    char hex[3];
    std::snprintf(hex, sizeof hex, "%02X", b);
    name += hex;
  }
  name += ".tmp";
  return name;
}

}  // namespace lumo
