// The handler scans, the opening procedure and the decoder contract, through the PCM
// handlers on real files.
#include <gtest/gtest.h>

#include "core/exceptions.h"
#include "core/service_registry.h"
#include "fs/file_system.h"
#include "fs/memory_file.h"
#include "input/input_exceptions.h"
#include "input/input_info_fields.h"
#include "input/input_matching.h"
#include "input/input_open.h"
#include "test_support.h"

namespace lumo {
namespace {

// Fixtures go through memory files: the native path of the source tree is not a path
// the Windows build can spell as a URL.
file_ptr fixture_file(std::string_view name) {
  const auto bytes = test::read_file(test::fixture(name));
  auto file = make_memory_file();
  file->write(bytes.data(), bytes.size(), abort_none());
  file->seek(0, abort_none());
  return file;
}

TEST(input_matching, extensions_and_content_types) {
  EXPECT_EQ(extension_of("file:///music/a.b/Song.Mp3"), "Mp3");
  EXPECT_EQ(extension_of("http://host/stream.ogg?session=1"), "ogg");
  EXPECT_EQ(extension_of("C:\\dir.ext\\noext"), "");
  EXPECT_EQ(extension_of("archive.zip|inner.flac"), "flac");
  EXPECT_EQ(extension_of("x." + std::string(31, 'a')), std::string(31, 'a'));
  EXPECT_EQ(extension_of("x." + std::string(32, 'a')), "");
  EXPECT_TRUE(extension_matches("wAv", {"WAV", "W64"}));
  EXPECT_FALSE(extension_matches("wav2", {"WAV"}));

  // Ogg: the part before ";" with trailing spaces removed, any case.
  EXPECT_TRUE(content_type_matches("Audio/OGG  ; codecs=opus", {"audio/ogg"}));
  EXPECT_FALSE(content_type_matches("audio/ogg2", {"audio/ogg"}));
  // MPEG audio compares whole strings exactly.
  const std::initializer_list<std::string_view> mpeg = {"audio/mp3", "audio/mpeg"};
  EXPECT_TRUE(content_type_matches_exact("audio/mpeg", mpeg));
  EXPECT_FALSE(content_type_matches_exact("audio/MPEG", mpeg));
  EXPECT_FALSE(content_type_matches_exact("audio/mpeg; rate=44100", mpeg));
}

TEST(input_framework, scans_pick_the_pcm_handlers) {
  const input_handler* wav = find_handler_for_path("file:///m/a.wav");
  ASSERT_NE(wav, nullptr);
  EXPECT_EQ(find_handler_for_path("file:///m/A.WAV"), wav);
  EXPECT_EQ(find_handler_for_path("file:///m/a.w64"), wav);
  EXPECT_EQ(find_handler_for_content_type("audio/x-wav; foo=1"), wav);
  const input_handler* aiff = find_handler_for_path("file:///m/a.aifc");
  ASSERT_NE(aiff, nullptr);
  EXPECT_NE(aiff, wav);
  EXPECT_EQ(find_handler_for_path("file:///m/voice.8SVX"), aiff);
  EXPECT_NE(find_handler_for_content_type("audio/basic"), nullptr);
  EXPECT_EQ(find_handler_for_path("file:///m/a.xyz"), nullptr);
  // The same handlers once start-up has built the registry.
  services().build(static_factories());
  int count = 0;
  for (service_ptr<input_handler> h : enumerate_services<input_handler>()) {
    ++count;
    EXPECT_EQ(h->get_flags(), 0u);
  }
  EXPECT_GE(count, 3);
  EXPECT_EQ(find_handler_for_path("file:///m/a.wav"), wav);
  services().clear();
}

TEST(input_framework, unknown_files_and_paths_fail_clearly) {
  auto file = make_memory_file();
  // The message is the language entry "exception_io_unsupported_format".
  EXPECT_THROW(open_input_decoder("tempmem://a.xyz", file, abort_none()),
               sonatrix_io::exception_io_unsupported_format);
  // A known type wins over the extension.
  EXPECT_THROW(open_input_info_reader("tempmem://a.xyz", file, abort_none(), "audio/wav"),
               sonatrix_io::exception_io_data);
  EXPECT_THROW(open_input_decoder("nowhere://a.wav", nullptr, abort_none()),
               sonatrix_io::exception_io_no_handler_for_path);
  EXPECT_THROW(
      open_input_info_writer("tempmem://a.wav", fixture_file("wav_s16_stereo.wav"), abort_none()),
      sonatrix_io::exception_tagging_unsupported);
}

TEST(input_framework, decoder_contract) {
  const auto decoder =
      open_input_decoder("tempmem://a.wav", fixture_file("wav_s16_stereo.wav"), abort_none());
  track_info_mutable info;
  decoder->get_info(0, info, abort_none());
  EXPECT_EQ(info.info_find_value("codec"), "PCM");
  EXPECT_EQ(info.info_find_value("samplerate"), "11025");
  EXPECT_NEAR(info.get_length(), 1103.0 / 11025, 1e-9);
  EXPECT_THROW(decoder->get_info(1, info, abort_none()), sonatrix_io::exception_io_data);
  EXPECT_THROW(decoder->initialize(1, 0, abort_none()), sonatrix_io::exception_io_data);
  EXPECT_THROW(decoder->seek(0, abort_none()), kel::exception_dynamic_assert);
  const file_stats stats = decoder->get_file_stats(abort_none());
  EXPECT_EQ(stats.size, test::read_file(test::fixture("wav_s16_stereo.wav")).size());

  decoder->initialize(0, 0, abort_none());
  ASSERT_TRUE(decoder->can_seek());
  pcm_chunk chunk;
  uint64_t total = 0;
  while (decoder->run(chunk, abort_none())) {
    EXPECT_TRUE(chunk.is_valid());
    total += chunk.sample_count();
  }
  EXPECT_EQ(total, 1103u);
  decoder->seek(1101.0 / 11025, abort_none());
  ASSERT_TRUE(decoder->run(chunk, abort_none()));
  EXPECT_EQ(chunk.sample_count(), 2u);
  EXPECT_THROW(decoder->seek(-1, abort_none()), kel::exception_invalid_params);
  double timestamp = 0;
  EXPECT_FALSE(decoder->get_dynamic_info(info, timestamp));

  // Formats that can be described but not decoded.
  EXPECT_THROW(
      open_input_decoder("tempmem://alaw.WAV", fixture_file("info/wav_alaw.wav"), abort_none()),
      sonatrix_io::exception_io_data);
  EXPECT_NE(
      open_input_info_reader("tempmem://alaw.WAV", fixture_file("info/wav_alaw.wav"), abort_none()),
      nullptr);
}

TEST(input_framework, header_warnings_reach_the_logger_set_later) {
  auto file = fixture_file("aiff_s16_stereo.aiff");
  file->resize(file->get_size(abort_none()) - 5, abort_none());
  const auto decoder = open_input_decoder("tempmem://cut.aiff", file, abort_none());
  test::recording_logger logger;
  decoder->set_event_logger(&logger);
  EXPECT_TRUE(logger.has("File is truncated, 5 bytes missing"));
  decoder->initialize(0, 0, abort_none());
  pcm_chunk chunk;
  uint64_t total = 0;
  while (decoder->run(chunk, abort_none())) total += chunk.sample_count();
  EXPECT_EQ(total, 1101u);  // 1102 frames and 3 of the 4 bytes of the last one left
}

TEST(input_framework, retagging_temporary_name) {
  EXPECT_EQ(retagging_temporary_name("file:///music/Some Album/01 - Track.flac"),
            "file:///music/Some Album/temp-455CEED86AFA082C624B9A1CA3CBC853.tmp");
  EXPECT_EQ(retagging_temporary_name("C:\\Music\\a.mp3"),
            "C:\\Music\\temp-0F2264A71068CB922BE379CF1C79DAF2.tmp");
}

}  // namespace
}  // namespace lumo

namespace lumo {
namespace {

TEST(input_info_fields, decoded_bit_depth_and_channel_mask_tag) {
  track_info_mutable info;
  EXPECT_EQ(decoded_bits_per_sample(info), 0u);
  info.info_set("bitspersample", "24");
  EXPECT_EQ(decoded_bits_per_sample(info), 24u);
  info.info_set("decoded_bitspersample", "32");
  EXPECT_EQ(decoded_bits_per_sample(info), 32u);

  EXPECT_EQ(channel_mask_from_tag("0x3F"), 0x3Fu);
  EXPECT_EQ(channel_mask_from_tag("0X60f"), 0x60Fu);
  EXPECT_EQ(channel_mask_from_tag("63"), std::nullopt);
  EXPECT_EQ(channel_mask_from_tag("0x"), std::nullopt);
  EXPECT_EQ(channel_mask_from_tag("0x3G"), std::nullopt);
  EXPECT_EQ(channel_mask_from_tags(info), std::nullopt);
  info.meta_set("waveformatextensible_channel_mask", "0x33");
  EXPECT_EQ(channel_mask_from_tags(info), 0x33u);
}

}  // namespace
}  // namespace lumo
