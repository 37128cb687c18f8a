// The MPEG audio handler and its registration.
#include <memory>

#include "core/service_registry.h"
#include "input/input_exceptions.h"
#include "input/input_handler.h"
#include "input/input_matching.h"
#include "input/mpeg/mpeg_input.h"
#include "input/mpeg/mpeg_tags.h"

namespace lumo::mpeg {

namespace {

// The info writer: reads like the decoder, writes tags as soon as it is given them.
class mpeg_info_writer final : public input_info_writer {
 public:
  mpeg_info_writer(file_ptr file, std::string path, const abort_signal& abort)
      : reader_(file, std::move(path), abort), file_(std::move(file)) {}
  void get_info(uint32_t subsong_index, track_info_mutable& out,
                const abort_signal& abort) override {
    reader_.get_info(subsong_index, out, abort);
  }
  file_stats get_file_stats(const abort_signal& abort) override {
    return reader_.get_file_stats(abort);
  }
  void set_info(uint32_t subsong_index, const track_info& info,
                const abort_signal& abort) override {
    if (subsong_index != 0) throw sonatrix_io::exception_io_data();
    write_mpeg_tags(*file_, info, abort);
  }
  void commit(const abort_signal&) override {}

 private:
  mpeg_input reader_;
  file_ptr file_;
};

class mpeg_handler : public input_handler {
 public:
  static constexpr handler_id id{
      0x6d218e3bu, 0x540f, 0x9a47, {0xb3, 0x61, 0x5c, 0x0e, 0x7a, 0x29, 0xd4, 0x10}};
  bool is_handler(const handler_id& other) const override { return other == id; }
  bool matches_content_type(std::string_view type) const override {
    return content_type_matches_exact(type, {"audio/mp3", "audio/mpeg", "audio/mpg", "audio/x-mp3",
                                             "audio/x-mpeg", "audio/x-mpg"});
  }
  bool matches_path(std::string_view, std::string_view extension) const override {
    return extension_matches(extension, {"mp3"});
  }
  std::shared_ptr<input_decoder> open_decoder(file_ptr file, std::string_view path,
                                              const abort_signal& abort) const override {
    return std::make_shared<mpeg_input>(open(std::move(file), path, abort, open_mode::read),
                                        std::string(path), abort);
  }
  std::shared_ptr<input_info_reader> open_info_reader(file_ptr file, std::string_view path,
                                                      const abort_signal& abort) const override {
    return open_decoder(std::move(file), path, abort);
  }
  std::shared_ptr<input_info_writer> open_info_writer(file_ptr file, std::string_view path,
                                                      const abort_signal& abort) const override {
    return std::make_shared<mpeg_info_writer>(
        open(std::move(file), path, abort, open_mode::write_existing), std::string(path), abort);
  }

 private:
  // MP4 files named ".m4a" sometimes reach this handler by MIME type; they are not ours.
  static file_ptr open(file_ptr file, std::string_view path, const abort_signal& abort,
                       open_mode mode) {
    if (extension_matches(extension_of(path), {"m4a"}))
      throw sonatrix_io::exception_io_unsupported_format();
    return file ? std::move(file) : open_file(path, mode, abort);
  }
};

LUMO_REGISTER_SINGLETON_SERVICE(mpeg_handler);

}  // namespace

}  // namespace lumo::mpeg
