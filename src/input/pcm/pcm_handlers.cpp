// The three PCM container handlers and their registration.
#include <memory>

#include "core/exceptions.h"
#include "core/service_registry.h"
#include "input/input_exceptions.h"
#include "input/input_handler.h"
#include "input/input_matching.h"
#include "input/pcm/pcm_input.h"

namespace lumo::pcm {

namespace {

class pcm_handler_base : public input_handler {
 public:
  // A codec we can only describe fails here, not at the first block.
  std::shared_ptr<input_decoder> open_decoder(file_ptr file, std::string_view path,
                                              const abort_signal& abort) const override {
    auto input = open_input(std::move(file), path, abort);
    if (!input->is_decodable())
      throw sonatrix_io::exception_io_data(sonatrix_io::io_text("exception_io_data") +
                                           " (no decoder for this codec)");
    return input;
  }
  std::shared_ptr<input_info_reader> open_info_reader(file_ptr file, std::string_view path,
                                                      const abort_signal& abort) const override {
    return open_input(std::move(file), path, abort);
  }
  // These containers carry no tags this program writes.
  std::shared_ptr<input_info_writer> open_info_writer(file_ptr, std::string_view,
                                                      const abort_signal&) const override {
    throw sonatrix_io::exception_tagging_unsupported();
  }

 protected:
  virtual pcm_container container() const = 0;

 private:
  std::shared_ptr<pcm_input> open_input(file_ptr file, std::string_view path,
                                        const abort_signal& abort) const {
    if (!file) file = open_file(path, open_mode::read, abort);
    return std::make_shared<pcm_input>(container(), std::move(file), abort);
  }
};

class wav_handler : public pcm_handler_base {
 public:
  static constexpr handler_id id{
      0x0b4e1c5au, 0x6192, 0x3f4d, {0xa8, 0x07, 0x3e, 0xc2, 0x19, 0x74, 0xd6, 0x01}};
  bool is_handler(const handler_id& other) const override { return other == id; }
  bool matches_content_type(std::string_view type) const override {
    return content_type_matches(
        type, {"audio/vnd.wave", "audio/wav", "audio/wave", "audio/x-wav", "audio/x-wave"});
  }
  bool matches_path(std::string_view, std::string_view extension) const override {
    return extension_matches(extension, {"WAV", "WAVE", "W64", "RF64", "BWF"});
  }

 protected:
  pcm_container container() const override { return pcm_container::wav; }
};

class aiff_handler : public pcm_handler_base {
 public:
  static constexpr handler_id id{
      0x0b4e1c5au, 0x6192, 0x3f4d, {0xa8, 0x07, 0x3e, 0xc2, 0x19, 0x74, 0xd6, 0x02}};
  bool is_handler(const handler_id& other) const override { return other == id; }
  bool matches_content_type(std::string_view type) const override {
    return content_type_matches(type, {"audio/aiff", "audio/x-aiff"});
  }
  bool matches_path(std::string_view, std::string_view extension) const override {
    return extension_matches(extension, {"iff", "aif", "aiff", "aifc", "afc", "8svx", "svx"});
  }

 protected:
  pcm_container container() const override { return pcm_container::aiff; }
};

class au_handler : public pcm_handler_base {
 public:
  static constexpr handler_id id{
      0x0b4e1c5au, 0x6192, 0x3f4d, {0xa8, 0x07, 0x3e, 0xc2, 0x19, 0x74, 0xd6, 0x03}};
  bool is_handler(const handler_id& other) const override { return other == id; }
  bool matches_content_type(std::string_view type) const override {
    return content_type_matches(type, {"audio/au", "audio/x-au", "audio/snd", "audio/x-snd",
                                       "audio/basic", "audio/x-basic"});
  }
  bool matches_path(std::string_view, std::string_view extension) const override {
    return extension_matches(extension, {"au", "snd"});
  }

 protected:
  pcm_container container() const override { return pcm_container::au; }
};

LUMO_REGISTER_SINGLETON_SERVICE(wav_handler);
LUMO_REGISTER_SINGLETON_SERVICE(aiff_handler);
LUMO_REGISTER_SINGLETON_SERVICE(au_handler);

}  // namespace

}  // namespace lumo::pcm
