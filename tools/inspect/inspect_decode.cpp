// lumo-inspect decode FILE [--subsong N] [--seek SECONDS] (-o OUT.wav | --md5)
#include <cstdio>
#include <cstring>
#include <exception>
#include <optional>
#include <string>

#include "core/abort.h"
#include "core/exceptions.h"
#include "core/md5.h"
#include "fs/file_system.h"
#include "input/input_open.h"
#include "inspect_input.h"

namespace {

struct decode_options {
  std::string path;
  uint32_t subsong = 0;
  std::optional<double> seek_seconds;
  std::string output;
  bool is_md5 = false;
};

std::optional<decode_options> parse_options(const std::vector<std::string>& args) {
  decode_options o;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool has_value = i + 1 < args.size();
    if (a == "--subsong" && has_value) {
      o.subsong = static_cast<uint32_t>(std::stoul(args[++i]));
    } else if (a == "--seek" && has_value) {
      o.seek_seconds = std::stod(args[++i]);
    } else if (a == "-o" && has_value) {
      o.output = args[++i];
    } else if (a == "--md5") {
      o.is_md5 = true;
    } else if (o.path.empty() && !a.starts_with("-")) {
      o.path = a;
    } else {
      return std::nullopt;
    }
  }
  if (o.path.empty() || o.is_md5 == !o.output.empty()) return std::nullopt;
  return o;
}

void put_u16(std::string& b, uint32_t v) {
  b += static_cast<char>(v & 0xFF), b += static_cast<char>(v >> 8 & 0xFF);
}
void put_u32(std::string& b, uint32_t v) {
  put_u16(b, v & 0xFFFF), put_u16(b, v >> 16);
}

// A 32-bit float WAV header; WAVE_FORMAT_EXTENSIBLE when a mask must be kept.
std::string wav_header(uint32_t rate, uint32_t channels, uint32_t mask, uint64_t data_bytes) {
  const bool is_extensible = channels > 2;
  const uint32_t fmt_bytes = is_extensible ? 40 : 18;
  const uint64_t riff = 4 + 8 + fmt_bytes + 8 + data_bytes;
  std::string b = "RIFF";
  put_u32(b, riff > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(riff));
  b += "WAVEfmt ";
  put_u32(b, fmt_bytes);
  put_u16(b, is_extensible ? 0xFFFE : 3);
  put_u16(b, channels);
  put_u32(b, rate);
  put_u32(b, rate * channels * 4);
  put_u16(b, channels * 4);
  put_u16(b, 32);
  put_u16(b, is_extensible ? 22 : 0);
  if (is_extensible) {
    put_u16(b, 32);
    put_u32(b, mask);
    static const uint8_t float_subtype[16] = {3,    0, 0, 0,    0, 0,    0x10, 0,
                                              0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
    b.append(reinterpret_cast<const char*>(float_subtype), 16);
  }
  b += "data";
  put_u32(b, data_bytes > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(data_bytes));
  return b;
}

int run_decode(const decode_options& o) {
  const lumo::abort_signal& abort = lumo::abort_none();
  const auto decoder = lumo::open_input_decoder(inspect_url(o.path), nullptr, abort);
  decoder->initialize(o.subsong, 0, abort);
  if (o.seek_seconds) decoder->seek(*o.seek_seconds, abort);

  std::optional<lumo::md5_hasher> md5;
  lumo::file_ptr out;
  if (o.is_md5) {
    md5.emplace();
  } else {
    out = lumo::open_file(inspect_url(o.output), lumo::open_mode::write_new, abort);
  }
  lumo::pcm_chunk chunk;
  uint64_t data_bytes = 0;
  uint32_t rate = 0, channels = 0, mask = 0;
  bool is_first = true;
  while (decoder->run(chunk, abort)) {
    if (!chunk.is_valid()) throw kel::exception_bug_check("decoder returned an invalid block");
    if (is_first) {
      rate = chunk.sample_rate(), channels = chunk.channels(), mask = chunk.channel_mask();
      if (out) {
        const std::string header = wav_header(rate, channels, mask, 0);
        out->write(header.data(), header.size(), abort);
      }
      is_first = false;
    } else if (chunk.sample_rate() != rate || chunk.channels() != channels) {
      throw sonatrix_io::exception_io_data("The stream changes format midway");
    }
    // Both builds run on little-endian machines: the floats are written as they are.
    const size_t bytes = static_cast<size_t>(chunk.data_size()) * sizeof(float);
    if (md5) md5->update({reinterpret_cast<const uint8_t*>(chunk.data()), bytes});
    if (out) out->write(chunk.data(), bytes, abort);
    data_bytes += bytes;
  }
  if (md5) {
    for (uint8_t b : md5->finish()) std::printf("%02x", b);
    std::printf("\n");
  } else {
    if (is_first) {
      const std::string header = wav_header(44100, 2, 3, 0);
      out->write(header.data(), header.size(), abort);
    } else {
      const std::string header = wav_header(rate, channels, mask, data_bytes);
      out->seek(0, abort);
      out->write(header.data(), header.size(), abort);
    }
  }
  return 0;
}

}  // namespace

int inspect_decode(const std::vector<std::string>& args) {
  std::optional<decode_options> options;
  try {
    options = parse_options(args);
  } catch (const std::exception&) {
  }
  if (!options) {
    std::fputs(
        "usage: lumo-inspect decode FILE [--subsong N] [--seek SECONDS] (-o OUT.wav | --md5)\n",
        stderr);
    return 2;
  }
  try {
    return run_decode(*options);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", kel::error_text(e).c_str());
    return 1;
  }
}
