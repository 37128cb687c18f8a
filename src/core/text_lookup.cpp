#include "core/text_lookup.h"

#include <algorithm>
#include <atomic>
#include <iterator>

namespace lumo {

namespace {

// What the core says before any language document is loaded.
struct builtin_text {
  std::string_view id, text;
};
constexpr builtin_text builtin_english[] = {
    {"exception_io", "I/O error"},
    {"exception_io_already_exists", "Object already exists"},
    {"exception_io_data", "Unsupported format or corrupted file"},
    {"exception_io_denied", "Access denied"},
    {"exception_io_device_full", "Device full"},
    {"exception_io_directory_not_empty", "Directory not empty"},
    {"exception_io_file_corrupted", "File corrupted"},
    {"exception_io_name_too_long", "Name too long"},
    {"exception_io_no_handler_for_path", "Invalid path"},
    {"exception_io_no_length", "Object has no length"},
    {"exception_io_not_found", "Object not found"},
    {"exception_io_object_is_remote", "This operation is not supported on remote objects"},
    {"exception_io_object_not_seekable", "Object not seekable"},
    {"exception_io_seek_out_of_range", "Seek offset out of range"},
    {"exception_io_sharing_violation", "Sharing violation"},
    {"exception_io_unsupported_format", "Unsupported format"},
    {"exception_io_with_code", "I/O error #{code}"},
    {"exception_io_write_protected", "Write protected"},
};

std::string builtin_get_text(std::string_view id) {
  auto it = std::lower_bound(std::begin(builtin_english), std::end(builtin_english), id,
                             [](const builtin_text& t, std::string_view v) { return t.id < v; });
  return it != std::end(builtin_english) && it->id == id ? std::string(it->text) : std::string();
}

constexpr text_source builtin_source{builtin_get_text};
std::atomic<const text_source*> active_source{&builtin_source};

}  // namespace

void set_text_source(const text_source* source) {
  active_source.store(source ? source : &builtin_source);
}

std::string lookup_text(std::string_view id) { return active_source.load()->get_text(id); }

std::optional<std::string> fill_placeholders(
    std::string_view text, const std::map<std::string, std::string, std::less<>>& values) {
  std::string out;
  size_t pos = 0;
  for (;;) {
    size_t open = text.find('{', pos);
    if (open == std::string_view::npos) break;
    size_t close = text.find('}', open + 1);
    if (close == std::string_view::npos) return std::nullopt;
    auto it = values.find(text.substr(open + 1, close - open - 1));
    if (it == values.end()) return std::nullopt;
    out.append(text, pos, open - pos);
    out += it->second;
    pos = close + 1;
  }
  out.append(text, pos);
  return out;
}

std::optional<std::string> lookup_format(
    std::string_view id, const std::map<std::string, std::string, std::less<>>& values) {
  std::string text = lookup_text(id);
  if (text.empty()) return std::nullopt;
  return fill_placeholders(text, values);
}

}  // namespace lumo
