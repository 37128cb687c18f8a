// The MPEG audio handler and its registration.
#include <memory>
#include <string>
#include <vector>

#include "core/service_registry.h"
#include "input/input_exceptions.h"
#include "input/input_handler.h"
#include "input/input_matching.h"
#include "input/mpeg/mpeg_input.h"
#include "input/mpeg/mpeg_tags.h"

namespace lumo::mpeg {

namespace {

// The info writer. It reads through a read-only handle like the decoder; a write drops
// that handle and writes through one of its own, released in turn before a rewrite
// replaces the file (Windows refuses to replace a file that is open, and to open one for
// writing that another handle of ours reads without write sharing). Reading after a
// write opens the file again.
class mpeg_info_writer final : public input_info_writer, public album_art_editor {
 public:
  mpeg_info_writer(file_ptr file, std::string path, const abort_signal& abort)
      : path_(std::move(path)),
        file_(std::move(file)),
        reader_(std::make_unique<mpeg_input>(file_, path_, abort)) {}
  void get_info(uint32_t subsong_index, track_info_mutable& out,
                const abort_signal& abort) override {
    reader(abort).get_info(subsong_index, out, abort);
  }
  file_stats get_file_stats(const abort_signal& abort) override {
    return reader(abort).get_file_stats(abort);
  }
  void set_info(uint32_t subsong_index, const track_info& info,
                const abort_signal& abort) override {
    if (subsong_index != 0) throw sonatrix_io::exception_io_data();
    write(info, abort);
  }
  void commit(const abort_signal& abort) override {
    // Picture edits without a set_info after them keep the fields as they are.
    if (pictures_.empty()) return;
    track_info_mutable info;
    get_info(0, info, abort);
    write(info, abort);
  }
  void set_album_art(album_art_kind kind, std::vector<uint8_t> data) override {
    pictures_.push_back({kind, std::move(data)});
  }

 private:
  mpeg_input& reader(const abort_signal& abort) {
    if (!reader_) {
      file_ = open_file(path_, open_mode::read, abort);
      reader_ = std::make_unique<mpeg_input>(file_, path_, abort);
    }
    return *reader_;
  }
  void write(const track_info& info, const abort_signal& abort) {
    if (file_ && file_->is_in_memory()) {
      // A file in memory has no path to reopen: it is written in itself.
      write_mpeg_tags(
          *file_, path_, info, pictures_, [] {}, abort);
      pictures_.clear();
      reader_.reset();
      reader_ = std::make_unique<mpeg_input>(file_, path_, abort);
      return;
    }
    reader_.reset();
    file_.reset();
    file_ptr f = open_file(path_, open_mode::write_existing, abort);
    write_mpeg_tags(
        *f, path_, info, pictures_, [&] { f.reset(); }, abort);
    pictures_.clear();
  }

  std::string path_;
  file_ptr file_;
  std::unique_ptr<mpeg_input> reader_;
  std::vector<picture_edit> pictures_;
};

class mpeg_album_art_reader final : public album_art_reader {
 public:
  explicit mpeg_album_art_reader(file_ptr file) : file_(std::move(file)) {}
  tag_picture query(album_art_kind kind, const abort_signal& abort) override {
    auto picture = find_album_art(*file_, kind, abort);
    if (!picture) throw sonatrix_io::exception_album_art_not_found();
    return std::move(*picture);
  }
  std::vector<tag_picture> list(const abort_signal& abort) override {
    return read_file_pictures(*file_, abort);
  }

 private:
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
    return std::make_shared<mpeg_info_writer>(open(std::move(file), path, abort, open_mode::read),
                                              std::string(path), abort);
  }
  std::shared_ptr<album_art_reader> open_album_art_reader(
      file_ptr file, std::string_view path, const abort_signal& abort) const override {
    return std::make_shared<mpeg_album_art_reader>(
        open(std::move(file), path, abort, open_mode::read));
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
