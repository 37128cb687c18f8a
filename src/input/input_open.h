#pragma once
// Picks the handler for a file and opens a decoder, info reader or info writer on it.
// The three share one procedure: open the file when the caller did not, ask the
// handlers for its MIME type, then for its path, in registry order.

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "core/abort.h"
#include "fs/file.h"
#include "input/input_handler.h"

namespace lumo {

// First handler claiming the path (extension cut from it) or the type; nullptr if none.
const input_handler* find_handler_for_path(std::string_view path);
const input_handler* find_handler_for_content_type(std::string_view type);

// file may be null: path is then opened for reading through the file system layer
// (exception_io_no_handler_for_path when no file system claims it). content_type is
// what the source reported, if anything. No handler: exception_io_unsupported_format.
// Whatever the handler throws reaches the caller unchanged.
std::shared_ptr<input_decoder> open_input_decoder(
    std::string_view path, file_ptr file, const abort_signal& abort,
    std::optional<std::string_view> content_type = {});
std::shared_ptr<input_info_reader> open_input_info_reader(
    std::string_view path, file_ptr file, const abort_signal& abort,
    std::optional<std::string_view> content_type = {});
std::shared_ptr<input_info_writer> open_input_info_writer(
    std::string_view path, file_ptr file, const abort_signal& abort,
    std::optional<std::string_view> content_type = {});

// Where a tag writer that rewrites the whole file puts the new file before replacing
// the old one: the same folder, "temp-" + 32 hex digits + ".tmp", always the same name
// for the same path.
std::string retagging_temporary_name(std::string_view path);

}  // namespace lumo
