// The WAV file sink of the render output.
#include <cstring>

#include "core/abort.h"
#include "fs/file.h"
#include "fs/file_system.h"
#include "playback/output_spec.h"
#include "playback/render_output.h"

namespace lumo {
namespace {

void put16(uint8_t*& p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p += 2;
}
void put32(uint8_t*& p, uint32_t v) {
  put16(p, static_cast<uint16_t>(v));
  put16(p, static_cast<uint16_t>(v >> 16));
}
void put_tag(uint8_t*& p, const char* tag) {
  std::memcpy(p, tag, 4);
  p += 4;
}

// RIFF header, "fmt " (plain 16 bytes, or 40 for the extensible form) and the "data"
// chunk header; 44 or 68 bytes.
size_t make_header(const output_spec& spec, uint64_t data_bytes, uint8_t (&out)[68]) {
  wave_format f = make_wave_format(spec, false);
  bool ext = f.format_tag == wave_format_extensible;
  uint32_t fmt_size = ext ? 40 : 16;
  uint32_t data32 =
      data_bytes > 0xFFFFFFFFu - 60 ? 0xFFFFFFFFu - 60 : static_cast<uint32_t>(data_bytes);
  uint8_t* p = out;
  put_tag(p, "RIFF");
  put32(p, 4 + 8 + fmt_size + 8 + data32);
  put_tag(p, "WAVE");
  put_tag(p, "fmt ");
  put32(p, fmt_size);
  put16(p, f.format_tag);
  put16(p, f.channels);
  put32(p, f.samples_per_sec);
  put32(p, f.avg_bytes_per_sec);
  put16(p, f.block_align);
  put16(p, f.bits_per_sample);
  if (ext) {
    put16(p, f.extra_size);
    put16(p, f.valid_bits_per_sample);
    put32(p, f.channel_mask);
    std::memcpy(p, &f.sub_format, 16);
    p += 16;
  }
  put_tag(p, "data");
  put32(p, data32);
  return static_cast<size_t>(p - out);
}

class wav_render_sink final : public render_sink {
 public:
  explicit wav_render_sink(std::string url) : url_(std::move(url)) {}
  ~wav_render_sink() override {
    if (file_) {
      file_.reset();
      try {
        find_file_system(temp_url_).remove(temp_url_);
      } catch (...) {
        // Nothing more to do about a temporary file that cannot be removed.
      }
    }
  }

  void begin(const output_spec& spec) override {
    ++index_;
    target_url_ = url_;
    if (index_ > 1) {
      size_t slash = url_.find_last_of("/\\");
      size_t dot = url_.find_last_of('.');
      if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        dot = url_.size();
      target_url_ = url_.substr(0, dot) + "-" + std::to_string(index_) + url_.substr(dot);
    }
    temp_url_ = target_url_ + ".tmp";
    spec_ = spec;
    data_bytes_ = 0;
    file_ = open_file(temp_url_, open_mode::write_new, abort_none());
    uint8_t header[68];
    file_->write(header, make_header(spec_, 0, header), abort_none());
  }

  void write(const uint8_t* bytes, size_t count_bytes) override {
    file_->write(bytes, count_bytes, abort_none());
    data_bytes_ += count_bytes;
  }

  void end() override {
    uint8_t header[68];
    size_t size = make_header(spec_, data_bytes_, header);
    file_->seek(0, abort_none());
    file_->write(header, size, abort_none());
    file_.reset();
    find_file_system(temp_url_).replace(temp_url_, target_url_);
  }

 private:
  std::string url_;
  std::string target_url_;
  std::string temp_url_;
  output_spec spec_;
  uint64_t data_bytes_ = 0;
  int index_ = 0;
  file_ptr file_;
};

}  // namespace

std::unique_ptr<render_sink> make_wav_render_sink(std::string url) {
  return std::make_unique<wav_render_sink>(std::move(url));
}

}  // namespace lumo
