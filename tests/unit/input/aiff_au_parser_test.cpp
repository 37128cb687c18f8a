// Damaged and unusual IFF and AU files, built byte by byte.
#include <gtest/gtest.h>

#include "core/exceptions.h"
#include "input/pcm/aiff_parser.h"
#include "input/pcm/au_parser.h"
#include "input/pcm/sample_decoder.h"
#include "test_support.h"

namespace lumo::pcm {
namespace {

using test::bytes;

// 80-bit extended 8000.0 and 44100.0.
const std::vector<uint8_t> rate_8000 = {0x40, 0x0B, 0xFA, 0, 0, 0, 0, 0, 0, 0};

bytes comm(uint16_t channels, uint32_t frames, uint16_t bits, const char* compression = nullptr) {
  bytes b;
  b.str("COMM")
      .u32be(compression ? 22 : 18)
      .u16be(channels)
      .u32be(frames)
      .u16be(bits)
      .raw(rate_8000);
  if (compression) b.str(compression);
  return b;
}

std::vector<uint8_t> aiff(const bytes& comm_chunk, uint32_t ssnd_bytes, uint32_t actual_bytes,
                          const char* form = "AIFF", int64_t form_size = -1) {
  bytes body;
  body.str(form).raw(comm_chunk.get()).str("SSND").u32be(ssnd_bytes + 8).u32be(0).u32be(0);
  for (uint32_t i = 0; i < actual_bytes; ++i) body.u8(static_cast<uint8_t>(i * 7));
  bytes b;
  b.str("FORM")
      .u32be(form_size < 0 ? static_cast<uint32_t>(body.size()) : static_cast<uint32_t>(form_size))
      .raw(body.get());
  return b.get();
}

pcm_file_info parse_aiff_bytes(const std::vector<uint8_t>& file, test::recording_logger& logger) {
  memory_byte_source source(file);
  return parse_aiff(source, logger, abort_none());
}

TEST(aiff_parser, truncated_file_decodes_to_its_last_whole_frame_with_warnings) {
  // 100 stereo 16-bit frames declared, 397 bytes present: 99 whole frames.
  const auto file = aiff(comm(2, 100, 16), 400, 397, "AIFF", 4 + 26 + 16 + 400);
  test::recording_logger logger;
  const pcm_file_info info = parse_aiff_bytes(file, logger);
  EXPECT_TRUE(logger.has("File is truncated, 3 bytes missing"));
  EXPECT_TRUE(
      logger.has("Nonsensical content size in AIFF header, found: 446, maximum allowed: 443"));
  EXPECT_TRUE(logger.has("Incomplete or malformed chunk encountered at 38 bytes"));
  EXPECT_FALSE(logger.has("AIFF frame count"));
  EXPECT_EQ(info.stream.data_length_bytes, 99u * 4);
  memory_byte_source source(file);
  parse_aiff(source, null_event_logger(), abort_none());
  sample_decoder decoder(source, info.stream, abort_none());
  pcm_chunk chunk;
  ASSERT_TRUE(decoder.run(chunk, abort_none()));
  EXPECT_EQ(chunk.sample_count(), 99u);
  EXPECT_FALSE(decoder.run(chunk, abort_none()));
}

TEST(aiff_parser, comm_rules) {
  test::recording_logger logger;
  EXPECT_NO_THROW(parse_aiff_bytes(aiff(comm(1, 10, 16), 20, 20), logger));
  EXPECT_TRUE(logger.events.empty());
  parse_aiff_bytes(aiff(comm(1, 11, 16), 20, 20), logger);
  EXPECT_TRUE(logger.has("AIFF frame count does not match data length"));
  EXPECT_THROW(parse_aiff_bytes(aiff(comm(1, 10, 0), 20, 20), logger),
               sonatrix_io::exception_io_data);
  EXPECT_THROW(parse_aiff_bytes(aiff(comm(1, 10, 65), 20, 20), logger),
               sonatrix_io::exception_io_data);
  // Compression types: sample size checks and the implied widths.
  EXPECT_THROW(parse_aiff_bytes(aiff(comm(1, 10, 16, "raw "), 20, 20, "AIFC"), logger),
               sonatrix_io::exception_io_data);
  EXPECT_THROW(parse_aiff_bytes(aiff(comm(1, 10, 8, "sowt"), 20, 20, "AIFC"), logger),
               sonatrix_io::exception_io_data);
  EXPECT_THROW(parse_aiff_bytes(aiff(comm(1, 10, 16, "ima4"), 20, 20, "AIFC"), logger),
               sonatrix_io::exception_io_data);
  logger.events.clear();
  const pcm_file_info f = parse_aiff_bytes(aiff(comm(1, 10, 16, "FL32"), 40, 40, "AIFC"), logger);
  EXPECT_TRUE(logger.has("Nonsense in sample size field"));
  EXPECT_EQ(f.stream.bits_per_sample, 32u);
  EXPECT_EQ(f.stream.encoding, sample_encoding::ieee_float);
  const pcm_file_info raw = parse_aiff_bytes(aiff(comm(1, 10, 8, "raw "), 10, 10, "AIFC"), logger);
  EXPECT_EQ(raw.stream.encoding, sample_encoding::unsigned_int);
  // A second COMM, an unknown form, no SSND.
  bytes twice = comm(1, 10, 16);
  twice.raw(comm(1, 10, 16).get());
  EXPECT_THROW(parse_aiff_bytes(aiff(twice, 20, 20), logger), sonatrix_io::exception_io_data);
  EXPECT_THROW(parse_aiff_bytes(aiff(comm(1, 10, 16), 20, 20, "ILBM"), logger),
               sonatrix_io::exception_io_data);
  bytes no_ssnd;
  no_ssnd.str("FORM").u32be(30).str("AIFF").raw(comm(1, 0, 16).get());
  EXPECT_THROW(parse_aiff_bytes(no_ssnd.get(), logger), sonatrix_io::exception_io_data);
  // SSND offset beyond its chunk.
  bytes far;
  far.str("FORM")
      .u32be(4 + 26 + 16)
      .str("AIFF")
      .raw(comm(1, 0, 16).get())
      .str("SSND")
      .u32be(8)
      .u32be(4)
      .u32be(0);
  EXPECT_THROW(parse_aiff_bytes(far.get(), logger), sonatrix_io::exception_io_data);
  // Unknown length.
  const auto file = aiff(comm(1, 10, 16), 20, 20);
  memory_byte_source unknown(file, true, false);
  EXPECT_THROW(parse_aiff(unknown, logger, abort_none()), sonatrix_io::exception_io_no_length);
}

TEST(aiff_parser, svx_voice_and_text_chunks) {
  bytes b;
  bytes body;
  body.str("16SV")
      .str("VHDR")
      .u32be(20)
      .u32be(4)
      .u32be(0)
      .u32be(0)
      .u16be(8000)
      .u8(1)
      .u8(0)
      .u32be(0x10000)
      .str("NAME")
      .u32be(5)
      .str("Voice")
      .u8(0)
      .str("AUTH")
      .u32be(2)
      .str("Me")
      .str("BODY")
      .u32be(8)
      .u16be(0x4000)
      .u16be(0xC000)
      .u16be(0)
      .u16be(0x7FFF);
  b.str("FORM").u32be(static_cast<uint32_t>(body.size())).raw(body.get());
  test::recording_logger logger;
  const pcm_file_info info = parse_aiff_bytes(b.get(), logger);
  EXPECT_TRUE(logger.events.empty());
  EXPECT_EQ(info.stream.sample_rate, 8000u);
  EXPECT_EQ(info.stream.bits_per_sample, 16u);
  ASSERT_EQ(info.meta.size(), 2u);
  EXPECT_EQ(info.meta[0].second, "Voice");
  EXPECT_EQ(info.meta[1].first, "artist");
  memory_byte_source source(b.get());
  sample_decoder decoder(source, info.stream, abort_none());
  pcm_chunk chunk;
  ASSERT_TRUE(decoder.run(chunk, abort_none()));
  ASSERT_EQ(chunk.sample_count(), 4u);
  EXPECT_EQ(chunk.data()[0], 0.5f);
  EXPECT_EQ(chunk.data()[1], -0.5f);
}

std::vector<uint8_t> au(uint32_t header, uint32_t data_size, uint32_t encoding, uint32_t rate,
                        uint32_t channels, const std::string& annotation, uint32_t data_bytes) {
  bytes b;
  b.str(".snd").u32be(header).u32be(data_size).u32be(encoding).u32be(rate).u32be(channels).str(
      annotation);
  b.zeros(header - b.size());
  for (uint32_t i = 0; i < data_bytes; ++i) b.u8(static_cast<uint8_t>(i));
  return b.get();
}

pcm_file_info parse_au_bytes(const std::vector<uint8_t>& file, test::recording_logger& logger) {
  memory_byte_source source(file);
  return parse_au(source, logger, abort_none());
}

TEST(au_parser, header_rules_and_data_size) {
  test::recording_logger logger;
  // Data size all ones: to the end of the file (whole frames).
  const pcm_file_info open_ended = parse_au_bytes(au(24, 0xFFFFFFFF, 3, 8000, 2, "", 403), logger);
  EXPECT_EQ(open_ended.stream.data_length_bytes, 400u);
  EXPECT_TRUE(logger.events.empty());
  // Data size past the end: warned and cut.
  const pcm_file_info cut = parse_au_bytes(au(24, 500, 3, 8000, 2, "", 400), logger);
  EXPECT_TRUE(logger.has("File truncated, 100 bytes missing"));
  EXPECT_EQ(cut.stream.data_length_bytes, 400u);
  // Annotation: kept as ASCII up to its first zero.
  std::string note = "Hi\x01\xC3\xA9!";
  note += '\0';
  note += "hidden";
  const pcm_file_info annotated = parse_au_bytes(au(40, 8, 1, 8000, 1, note, 8), logger);
  ASSERT_EQ(annotated.meta.size(), 1u);
  EXPECT_EQ(annotated.meta[0].second, "Hi\?\?\?!");
  // Structure faults.
  EXPECT_THROW(parse_au_bytes(au(23, 8, 3, 8000, 1, "", 8), logger),
               sonatrix_io::exception_io_data);
  EXPECT_THROW(parse_au_bytes(au(24, 8, 3, 999, 1, "", 8), logger), sonatrix_io::exception_io_data);
  EXPECT_THROW(parse_au_bytes(au(24, 8, 24, 8000, 1, "", 8), logger),
               sonatrix_io::exception_io_data);
  EXPECT_THROW(parse_au_bytes(au(24, 8, 23, 8000, 1, "", 8), logger),
               sonatrix_io::exception_io_data);
  auto header_only = au(24, 8, 3, 8000, 1, "", 0);
  EXPECT_THROW(parse_au_bytes(header_only, logger), sonatrix_io::exception_io_data);
  const auto file = au(24, 8, 3, 8000, 1, "", 8);
  memory_byte_source unknown(file, true, false);
  EXPECT_THROW(parse_au(unknown, logger, abort_none()), sonatrix_io::exception_io_no_length);
}

}  // namespace
}  // namespace lumo::pcm
