// Damaged and unusual WAV-family files, built byte by byte.
#include "input/pcm/wav_parser.h"

#include <gtest/gtest.h>

#include "core/exceptions.h"
#include "input/pcm/sample_decoder.h"
#include "test_support.h"

namespace lumo::pcm {
namespace {

using test::bytes;

bytes fmt_chunk(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits,
                uint32_t byte_rate = 0, uint16_t block_align = 0) {
  bytes b;
  if (!block_align) block_align = static_cast<uint16_t>(bits / 8 * channels);
  if (!byte_rate) byte_rate = rate * block_align;
  b.str("fmt ")
      .u32le(16)
      .u16le(tag)
      .u16le(channels)
      .u32le(rate)
      .u32le(byte_rate)
      .u16le(block_align)
      .u16le(bits);
  return b;
}

// RIFF header + fmt + data (16-bit stereo, frames frames of ramp values).
std::vector<uint8_t> riff(uint32_t riff_size, uint32_t data_size, uint32_t frames) {
  bytes b;
  b.str("RIFF").u32le(riff_size).str("WAVE").raw(fmt_chunk(1, 2, 8000, 16).get());
  b.str("data").u32le(data_size);
  for (uint32_t i = 0; i < frames * 2; ++i) b.u16le(static_cast<uint16_t>(i * 100));
  return b.get();
}

pcm_file_info parse(const std::vector<uint8_t>& file) {
  memory_byte_source source(file);
  return parse_wav(source, null_event_logger(), abort_none());
}

uint64_t decoded_samples(const std::vector<uint8_t>& file) {
  memory_byte_source source(file);
  const pcm_file_info info = parse_wav(source, null_event_logger(), abort_none());
  sample_decoder decoder(source, info.stream, abort_none());
  pcm_chunk chunk;
  uint64_t total = 0;
  while (decoder.run(chunk, abort_none())) total += chunk.sample_count();
  return total;
}

std::string technical(const pcm_file_info& info, std::string_view name) {
  for (const auto& [n, v] : info.technical)
    if (n == name) return v;
  return "(absent)";
}

TEST(wav_parser, streamed_sizes_read_to_the_end_of_the_file) {
  EXPECT_EQ(decoded_samples(riff(0, 0, 100)), 100u);                    // RIFF size 0
  EXPECT_EQ(decoded_samples(riff(0xFFFFFFFF, 0xFFFFFFFF, 100)), 100u);  // all ones
  EXPECT_EQ(decoded_samples(riff(36 + 400, 0, 100)), 100u);             // data size 0
  EXPECT_EQ(decoded_samples(riff(0, 0xFFFFFFF0, 100)), 100u);           // data past the end
  // A data chunk that starts exactly at the form end is empty.
  EXPECT_EQ(decoded_samples(riff(36, 0, 100)), 0u);
  // A data size short of the file is honoured; trailing garbage is not audio.
  auto file = riff(36 + 400, 40, 100);
  EXPECT_EQ(decoded_samples(file), 10u);
  // The RIFF size cut short of the data moves the end.
  EXPECT_EQ(parse(riff(36 + 40, 400, 100)).stream.data_length_bytes, 40u);

  // Sizes past the file are warned about; the streaming conventions are not.
  const auto warnings = [](const std::vector<uint8_t>& bytes) {
    memory_byte_source source(bytes);
    test::recording_logger logger;
    parse_wav(source, logger, abort_none());
    std::vector<std::string> texts;
    for (const auto& e : logger.events) texts.push_back(e.first);
    return texts;
  };
  EXPECT_EQ(warnings(riff(0, 0, 100)), std::vector<std::string>{});
  EXPECT_EQ(warnings(riff(0xFFFFFFFF, 0xFFFFFFFF, 100)), std::vector<std::string>{});
  const std::string form_warning =
      "Nonsensical content size in WAV header, found: 544, maximum allowed: 444 (size of whole "
      "file)";
  EXPECT_EQ(warnings(riff(36 + 500, 500, 100)),
            (std::vector<std::string>{form_warning, "File is truncated, 100 bytes missing"}));
}

TEST(wav_parser, fmt_chunk_size_rules) {
  // 16 bytes: accepted as a WAVEFORMAT without cbSize.
  EXPECT_TRUE(parse(riff(0, 0, 10)).is_decodable);
  // 17 bytes: rejected.
  bytes odd;
  odd.str("RIFF")
      .u32le(0)
      .str("WAVE")
      .str("fmt ")
      .u32le(17)
      .u16le(1)
      .u16le(1)
      .u32le(8000)
      .u32le(16000)
      .u16le(2)
      .u16le(16)
      .u8(0)
      .u8(0)
      .str("data")
      .u32le(4)
      .u32le(0);
  EXPECT_THROW(parse(odd.get()), sonatrix_io::exception_io_data);
  // Channels, rate, byte rate and block align out of range.
  const auto with_fmt = [](uint16_t channels, uint32_t rate, uint32_t byte_rate, uint16_t align) {
    bytes b;
    b.str("RIFF")
        .u32le(0)
        .str("WAVE")
        .str("fmt ")
        .u32le(16)
        .u16le(1)
        .u16le(channels)
        .u32le(rate)
        .u32le(byte_rate)
        .u16le(align)
        .u16le(16)
        .str("data")
        .u32le(0);
    return b.get();
  };
  EXPECT_NO_THROW(parse(with_fmt(256, 1000, 1, 1)));
  EXPECT_THROW(parse(with_fmt(0, 8000, 16000, 2)), sonatrix_io::exception_io_data);
  EXPECT_THROW(parse(with_fmt(257, 8000, 16000, 2)), sonatrix_io::exception_io_data);
  EXPECT_THROW(parse(with_fmt(1, 999, 16000, 2)), sonatrix_io::exception_io_data);
  EXPECT_THROW(parse(with_fmt(1, 20'000'001, 16000, 2)), sonatrix_io::exception_io_data);
  EXPECT_THROW(parse(with_fmt(1, 8000, 0, 2)), sonatrix_io::exception_io_data);
  EXPECT_THROW(parse(with_fmt(1, 8000, 16000, 0)), sonatrix_io::exception_io_data);
  // No data chunk, no fmt chunk, not a WAV at all.
  bytes no_data;
  no_data.str("RIFF").u32le(0).str("WAVE").raw(fmt_chunk(1, 2, 8000, 16).get());
  EXPECT_THROW(parse(no_data.get()), sonatrix_io::exception_io_data);
  bytes no_fmt;
  no_fmt.str("RIFF").u32le(0).str("WAVE").str("data").u32le(4).u32le(0);
  EXPECT_THROW(parse(no_fmt.get()), sonatrix_io::exception_io_data);
  bytes not_wave;
  not_wave.str("RIFF").u32le(0).str("AVI ");
  EXPECT_THROW(parse(not_wave.get()), sonatrix_io::exception_io_data);
}

bytes extensible(uint16_t channels, uint32_t mask, uint16_t cb_size = 22, bool is_float = false) {
  bytes b;
  const uint16_t bits = is_float ? 32 : 16;
  const uint16_t align = static_cast<uint16_t>(bits / 8 * channels);
  b.str("RIFF")
      .u32le(0)
      .str("WAVE")
      .str("fmt ")
      .u32le(18 + cb_size)
      .u16le(0xFFFE)
      .u16le(channels)
      .u32le(8000)
      .u32le(8000 * align)
      .u16le(align)
      .u16le(bits)
      .u16le(cb_size)
      .u16le(bits - 4)
      .u32le(mask)
      .u32le(is_float ? 3 : 1)
      .u16le(0)
      .u16le(0x10)
      .u8(0x80)
      .u8(0)
      .u8(0)
      .u8(0xAA)
      .u8(0)
      .u8(0x38)
      .u8(0x9B)
      .u8(0x71);
  b.zeros(cb_size - 22);
  b.str("data").u32le(align).zeros(align);
  return b;
}

TEST(wav_parser, extensible_header_mask_and_info) {
  const pcm_file_info five_one = parse(extensible(6, 0x60F).get());
  EXPECT_EQ(five_one.stream.channel_mask, 0x60Fu);
  EXPECT_TRUE(five_one.is_decodable);
  EXPECT_EQ(technical(five_one, "bitspersample"), "12");
  EXPECT_EQ(technical(five_one, "bitspersample_extra"), "fixed-point");
  // Three bits for two channels: the default stereo mask instead.
  EXPECT_EQ(parse(extensible(2, 0x7).get()).stream.channel_mask, 0x3u);
  const pcm_file_info f = parse(extensible(2, 0x3, 22, true).get());
  EXPECT_EQ(technical(f, "codec"), "PCM (floating-point)");
  EXPECT_EQ(f.stream.encoding, sample_encoding::ieee_float);
  // Shorter than 40 bytes of format: damaged.
  EXPECT_THROW(parse(extensible(2, 0x3, 10).get()), sonatrix_io::exception_io_data);
  // Mono and plain stereo files get the default masks.
  EXPECT_EQ(parse(riff(0, 0, 1)).stream.channel_mask, 0x3u);
}

TEST(wav_parser, adpcm_byte_rate_is_corrected_and_undecodable_tags_still_give_info) {
  // IMA ADPCM, 1 channel, 8000 Hz, 4 bits, 256-byte blocks, byte rate nonsense (1).
  bytes ima;
  ima.str("RIFF")
      .u32le(0)
      .str("WAVE")
      .str("fmt ")
      .u32le(20)
      .u16le(0x11)
      .u16le(1)
      .u32le(8000)
      .u32le(1)
      .u16le(256)
      .u16le(4)
      .u16le(2)
      .u16le(505)
      .str("data")
      .u32le(512)
      .zeros(512);
  const pcm_file_info info = parse(ima.get());
  EXPECT_TRUE(info.is_decodable);
  EXPECT_EQ(technical(info, "bitrate"), "32");  // 4000 bytes/s
  EXPECT_EQ(technical(info, "codec"), "IMA ADPCM");
  EXPECT_EQ(technical(info, "encoding"), "lossy");
  ASSERT_TRUE(info.length_seconds);
  EXPECT_DOUBLE_EQ(*info.length_seconds, 512.0 / 4000);

  for (uint16_t tag : {2, 6, 7}) {
    SCOPED_TRACE(tag);
    bytes b;
    b.str("RIFF")
        .u32le(0)
        .str("WAVE")
        .raw(fmt_chunk(tag, 1, 8000, tag == 2 ? 4 : 8, 8000, 256).get())
        .str("data")
        .u32le(256)
        .zeros(256);
    const pcm_file_info other = parse(b.get());
    EXPECT_FALSE(other.is_decodable);
    EXPECT_EQ(technical(other, "codec"), "(absent)");
    EXPECT_EQ(technical(other, "bitspersample"), tag == 2 ? "4" : "8");
  }
  // Real files from sox, with their own format tags.
  for (const char* name : {"info/wav_alaw.wav", "info/wav_ms_adpcm.wav"}) {
    const pcm_file_info real = parse(test::read_file(test::fixture(name)));
    EXPECT_FALSE(real.is_decodable);
    EXPECT_TRUE(real.length_seconds);
  }
}

TEST(wav_parser, rf64_needs_ds64_first) {
  bytes good;
  good.str("RF64")
      .u32le(0xFFFFFFFF)
      .str("WAVE")
      .str("ds64")
      .u32le(28)
      .u64le(0)
      .u64le(8)
      .u64le(0)
      .u32le(0)
      .raw(fmt_chunk(1, 2, 8000, 16).get())
      .str("data")
      .u32le(0xFFFFFFFF)
      .zeros(16);
  // RIFF size in ds64 = the whole file less 8.
  auto file = good.get();
  const uint64_t riff_size = file.size() - 8;
  for (int i = 0; i < 8; ++i) file[20 + i] = static_cast<uint8_t>(riff_size >> (8 * i));
  const pcm_file_info info = parse(file);
  EXPECT_EQ(info.stream.data_length_bytes, 8u);  // ds64's data size, not the file's rest
  EXPECT_TRUE(info.length_seconds);

  bytes no_ds64;
  no_ds64.str("RF64")
      .u32le(0xFFFFFFFF)
      .str("WAVE")
      .raw(fmt_chunk(1, 2, 8000, 16).get())
      .str("data")
      .u32le(4)
      .zeros(4);
  EXPECT_THROW(parse(no_ds64.get()), sonatrix_io::exception_io_data);
  bytes short_ds64;
  short_ds64.str("RF64").u32le(0xFFFFFFFF).str("WAVE").str("ds64").u32le(8).u64le(100);
  EXPECT_THROW(parse(short_ds64.get()), sonatrix_io::exception_io_data);
  bytes all_ones;
  all_ones.str("RF64")
      .u32le(0xFFFFFFFF)
      .str("WAVE")
      .str("ds64")
      .u32le(16)
      .u64le(100)
      .u64le(~uint64_t{0});
  EXPECT_THROW(parse(all_ones.get()), sonatrix_io::exception_io_data);
}

TEST(wav_parser, wave64_sizes_count_their_headers) {
  const auto file = test::read_file(test::fixture("w64_s24_stereo.w64"));
  auto bad = file;
  for (int i = 0; i < 8; ++i) bad[16 + i] = i == 0 ? 23 : 0;  // form size below 24
  EXPECT_THROW(parse(bad), sonatrix_io::exception_io_data);
  auto cut = file;
  cut.resize(cut.size() - 7);  // data chunk runs past the end: cut to whole frames
  const pcm_file_info info = parse(cut);
  EXPECT_EQ(info.stream.data_length_bytes % 6, 0u);
  EXPECT_EQ(info.stream.data_length_bytes, (cut.size() - info.stream.data_offset_bytes) / 6 * 6);
}

TEST(wav_parser, riff_info_list_fills_metadata) {
  bytes b;
  bytes list;
  list.str("INFO")
      .str("INAM")
      .u32le(6)
      .str("Title")
      .u8(0)
      .str("IART")
      .u32le(5)
      .str("Band")
      .u8(0)
      .u8(0)
      .str("ICRD")
      .u32le(4)
      .str("1999")
      .str("IXYZ")
      .u32le(2)
      .str("no")
      .str("ICMT")
      .u32le(2)
      .u8(0xE9)
      .u8(0);
  b.str("RIFF")
      .u32le(0)
      .str("WAVE")
      .raw(fmt_chunk(1, 1, 8000, 16).get())
      .str("LIST")
      .u32le(static_cast<uint32_t>(list.size()))
      .raw(list.get())
      .str("data")
      .u32le(2)
      .zeros(2);
  const pcm_file_info info = parse(b.get());
  ASSERT_EQ(info.meta.size(), 4u);
  EXPECT_EQ(info.meta[0], (std::pair<std::string, std::string>("title", "Title")));
  EXPECT_EQ(info.meta[1], (std::pair<std::string, std::string>("artist", "Band")));
  EXPECT_EQ(info.meta[2], (std::pair<std::string, std::string>("date", "1999")));
  EXPECT_EQ(info.meta[3].second, "\xC3\xA9");  // Latin-1 e-acute as UTF-8
}

}  // namespace
}  // namespace lumo::pcm
