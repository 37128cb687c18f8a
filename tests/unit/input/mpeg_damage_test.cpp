// Damaged and unusual MPEG streams, built from a fixture byte by byte: what is reported,
// what still plays, and what the integrity flag turns into errors.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/exceptions.h"
#include "input/input_exceptions.h"
#include "input/mpeg/frame_walker.h"
#include "mpeg_test_support.h"

namespace lumo::mpeg {
namespace {

using bytes_t = std::vector<uint8_t>;

bytes_t fixture_bytes(const std::string& name) {
  return test::read_file(test::mpeg_fixture(name));
}

// Offsets of the frames of a clean stream, found by following the frame lengths.
std::vector<size_t> frame_offsets(const bytes_t& b) {
  std::vector<size_t> out;
  for (size_t p = 0; p + 4 <= b.size();) {
    const auto h = parse_frame_header(&b[p]);
    if (!h) break;
    out.push_back(p);
    p += h->frame_bytes;
  }
  return out;
}

bytes_t spliced(const bytes_t& b, size_t at, const bytes_t& insert) {
  bytes_t out(b.begin(), b.begin() + static_cast<ptrdiff_t>(at));
  out.insert(out.end(), insert.begin(), insert.end());
  out.insert(out.end(), b.begin() + static_cast<ptrdiff_t>(at), b.end());
  return out;
}

bytes_t id3v2_tag(size_t body_bytes) {
  test::bytes t;
  t.str("ID3").u8(3).u8(0).u8(0);
  for (int shift = 21; shift >= 0; shift -= 7) t.u8((body_bytes >> shift) & 0x7F);
  t.zeros(body_bytes);
  return t.get();
}

bytes_t id3v1_tag() {
  test::bytes t;
  t.str("TAG").str(std::string(30, 'T')).zeros(95);
  return t.get();
}

bool logged(const test::recording_logger& log, std::string_view prefix, event_severity severity) {
  return std::any_of(log.events.begin(), log.events.end(), [&](const auto& e) {
    return e.first.starts_with(prefix) && e.second == severity;
  });
}

class mpeg_damage : public ::testing::Test {
 protected:
  const bytes_t clean = fixture_bytes("cbr128_joint_44k.mp3");
  const std::vector<size_t> frames = frame_offsets(clean);
  const test::decoded_audio reference = test::decode_bytes(clean, "tempmem://clean.mp3");
};

TEST_F(mpeg_damage, leading_and_trailing_tags_are_not_audio) {
  test::recording_logger log;
  const bytes_t two_tags = spliced(spliced(clean, 0, id3v2_tag(300)), 0, id3v2_tag(50));
  EXPECT_EQ(test::decode_bytes(two_tags, "tempmem://two-id3v2.mp3", 0, &log).samples,
            reference.samples);
  EXPECT_TRUE(logged(log, "Multiple ID3v2 tags encountered", event_severity::warning));

  // An APEv2 tag (header, one item, footer) and an ID3v1 tag at the end change neither the
  // measured length of a stream without a Xing frame nor its samples.
  const bytes_t notag = fixture_bytes("cbr128_notag_44k.mp3");
  test::bytes ape;
  const uint32_t ape_bytes = 32 + 14;  // items plus footer
  ape.str("APETAGEX").u32le(2000).u32le(ape_bytes).u32le(1).u32le(0xA0000000).zeros(8);
  ape.u32le(1).u32le(0).str("Title").u8(0).str("x");
  ape.str("APETAGEX").u32le(2000).u32le(ape_bytes).u32le(1).u32le(0x80000000).zeros(8);
  bytes_t tagged = notag;
  tagged.insert(tagged.end(), ape.get().begin(), ape.get().end());
  const bytes_t v1 = id3v1_tag();
  tagged.insert(tagged.end(), v1.begin(), v1.end());
  auto plain = test::open_mp3(notag, "tempmem://notag-plain.mp3");
  auto with_tags = test::open_mp3(tagged, "tempmem://notag-tags.mp3");
  track_info_mutable a, b;
  plain->get_info(0, a, abort_none());
  with_tags->get_info(0, b, abort_none());
  EXPECT_EQ(a.get_length(), b.get_length());
  EXPECT_EQ(test::decode_all(*with_tags).samples, test::decode_all(*plain).samples);
}

TEST_F(mpeg_damage, tags_are_read_between_runs_without_disturbing_the_walk) {
  test::bytes tag;
  tag.str("ID3").u8(3).u8(0).u8(0).u32be(10 + 5 + 20);  // size < 128: synchsafe as is
  tag.str("TIT2").u32be(5).u16be(0).u8(0).str("Song").zeros(20);
  const bytes_t tagged = spliced(clean, 0, tag.get());
  auto decoder = test::open_mp3(tagged, "tempmem://titled.mp3");
  pcm_chunk chunk;
  std::vector<float> got;
  while (decoder->run(chunk, abort_none())) {
    got.insert(got.end(), chunk.data(), chunk.data() + chunk.data_size());
    track_info_mutable info;
    decoder->get_info(0, info, abort_none());
    ASSERT_EQ(info.meta_find_value("title"), "Song");
    ASSERT_EQ(info.info_find_value("tagtype"), "id3v2.3");
  }
  EXPECT_EQ(got, reference.samples);
}

TEST_F(mpeg_damage, id3v1_inside_the_stream_is_skipped_and_reported) {
  test::recording_logger log;
  const size_t at = frames[5];
  const bytes_t damaged = spliced(clean, at, id3v1_tag());
  const auto decoded = test::decode_bytes(damaged, "tempmem://id3v1-inside.mp3", 0, &log);
  EXPECT_EQ(decoded.samples, reference.samples);
  EXPECT_TRUE(logged(log, "ID3 tag garbage inside MPEG stream at " + std::to_string(at) + " bytes",
                     event_severity::error));
  EXPECT_THROW(
      test::decode_bytes(damaged, "tempmem://id3v1-inside-strict.mp3", input_flag_integrity_check),
      sonatrix_io::exception_io_data);
}

TEST_F(mpeg_damage, garbage_in_the_middle_is_resynchronised) {
  test::recording_logger log;
  const size_t at = frames[6];
  const bytes_t damaged = spliced(clean, at, bytes_t(777, 0x42));
  const auto decoded = test::decode_bytes(damaged, "tempmem://garbage.mp3", 0, &log);
  EXPECT_TRUE(
      logged(log, "MPEG stream error at " + std::to_string(at) + " bytes", event_severity::error));
  EXPECT_TRUE(logged(log, "MPEG stream resync successful at " + std::to_string(at + 777),
                     event_severity::notice));
  // Every frame is still there; the decoder starts afresh after the gap, so only the
  // samples before it are bit for bit the clean ones.
  ASSERT_EQ(decoded.frames(), reference.frames());
  const size_t before_gap = 5 * 1152 - 576 - 529;  // audio frame 5 is frames[6]
  EXPECT_TRUE(std::equal(decoded.samples.begin(), decoded.samples.begin() + before_gap * 2,
                         reference.samples.begin()));
  try {
    test::decode_bytes(damaged, "tempmem://garbage-strict.mp3", input_flag_integrity_check);
    ADD_FAILURE() << "no error with the integrity flag";
  } catch (const sonatrix_io::exception_io_data& e) {
    EXPECT_EQ(e.message(), "MPEG stream error at " + std::to_string(at) + " bytes");
  }
}

TEST_F(mpeg_damage, garbage_beyond_the_scan_limit_ends_the_stream) {
  test::recording_logger log;
  const bytes_t damaged =
      spliced(clean, frames[6], bytes_t(frame_walker::scan_limit_seekable_bytes + 20000, 0));
  const auto decoded = test::decode_bytes(damaged, "tempmem://far-garbage.mp3", 0, &log);
  EXPECT_TRUE(logged(log, "MPEG stream resync failed", event_severity::notice));
  EXPECT_LT(decoded.frames(), reference.frames());
  EXPECT_GT(decoded.frames(), 0u);
}

TEST_F(mpeg_damage, xing_frame_count_of_one_is_ignored) {
  bytes_t patched = clean;
  // The Info tag of an MPEG-1 stereo frame: 4 bytes header, 32 side info, "Info", flags,
  // then the frame count.
  ASSERT_EQ(std::string(patched.begin() + 36, patched.begin() + 40), "Info");
  patched[44] = patched[45] = patched[46] = 0;
  patched[47] = 1;
  auto decoder = test::open_mp3(patched, "tempmem://xing-one.mp3");
  track_info_mutable info;
  decoder->get_info(0, info, abort_none());
  EXPECT_EQ(info.info_find_value("mp3_accurate_length"), std::nullopt);
  EXPECT_EQ(info.info_find_value("enc_delay"), std::nullopt);
  // Measured as constant bit rate, the info frame counted as one more frame of audio.
  const double expected = (frames.size() * 1152.0 - 529) / 44100;
  EXPECT_NEAR(info.get_length(), expected, 1e-9);
  EXPECT_EQ(test::decode_all(*decoder).frames(), frames.size() * 1152 - 529);
}

TEST_F(mpeg_damage, truncated_last_frame_still_gives_the_full_length) {
  test::recording_logger log;
  const bytes_t cut(clean.begin(), clean.end() - 100);
  const auto decoded = test::decode_bytes(cut, "tempmem://cut.mp3", 0, &log);
  EXPECT_EQ(decoded.frames(), reference.frames());
  EXPECT_TRUE(logged(log, "MPEG stream error at " + std::to_string(cut.size()) + " bytes",
                     event_severity::error));
  // Everything before the damaged frame is untouched.
  const size_t intact = (frames.size() - 2) * 1152 - 576 - 529;
  EXPECT_TRUE(std::equal(decoded.samples.begin(), decoded.samples.begin() + intact * 2,
                         reference.samples.begin()));
}

TEST_F(mpeg_damage, checksum_mismatch_fails_only_with_the_integrity_flag) {
  const bytes_t protected_file = fixture_bytes("cbr128_crc_44k.mp3");
  const auto offsets = frame_offsets(protected_file);
  ASSERT_GT(offsets.size(), 8u);
  const auto good =
      test::decode_bytes(protected_file, "tempmem://crc-good.mp3", input_flag_integrity_check);
  EXPECT_EQ(good.frames(), 13231u);
  // Layer I with its bit allocation protected.
  EXPECT_EQ(test::decode_bytes(fixture_bytes("layer1_mono_32k_crc.mp3"), "tempmem://l1-crc.mp3",
                               input_flag_integrity_check)
                .frames(),
            30u * 384);

  bytes_t flipped = protected_file;
  flipped[offsets[7] + 10] ^= 0x10;  // inside the side information
  try {
    test::decode_bytes(flipped, "tempmem://crc-bad-strict.mp3", input_flag_integrity_check);
    ADD_FAILURE() << "no error with the integrity flag";
  } catch (const sonatrix_io::exception_io_data& e) {
    EXPECT_EQ(e.message(), "MPEG frame checksum mismatch.");
  }
  EXPECT_EQ(test::decode_bytes(flipped, "tempmem://crc-bad.mp3").frames(), 13231u);
}

TEST_F(mpeg_damage, layer_change_is_reported_once_and_decoded) {
  const bytes_t layer2 = fixture_bytes("layer2_stereo_44k.mp3");
  const auto l2_frames = frame_offsets(layer2);
  const bytes_t l2_frame(layer2.begin() + static_cast<ptrdiff_t>(l2_frames[3]),
                         layer2.begin() + static_cast<ptrdiff_t>(l2_frames[4]));
  bytes_t mixed = spliced(clean, frames[8], l2_frame);
  mixed = spliced(mixed, frames[4], l2_frame);
  test::recording_logger log;
  auto decoder = test::open_mp3(mixed, "tempmem://mixed.mp3", 0, &log);
  test::decode_all(*decoder);
  const auto count = std::count_if(log.events.begin(), log.events.end(), [](const auto& e) {
    return e.first == "Expected MPEG layer 3, found layer 2.";
  });
  EXPECT_EQ(count, 1);
}

TEST(mpeg_stream, no_frames_and_wrong_requests) {
  const bytes_t text(5000, 'x');
  EXPECT_THROW(test::open_mp3(text, "tempmem://text.mp3"), sonatrix_io::exception_io_data);
  const bytes_t good = fixture_bytes("vbr4_mono_22k.mp3");
  EXPECT_THROW(open_input_decoder("tempmem://a.m4a", test::memory_file_of(good), abort_none(),
                                  std::string_view("audio/mpeg")),
               sonatrix_io::exception_io_unsupported_format);
  auto decoder = test::open_mp3(good, "tempmem://subsong.mp3");
  track_info_mutable info;
  EXPECT_THROW(decoder->get_info(1, info, abort_none()), sonatrix_io::exception_io_data);
  EXPECT_THROW(decoder->initialize(1, 0, abort_none()), sonatrix_io::exception_io_data);
  // A file in memory is retagged in itself (the default scheme for an untagged one).
  auto writer = open_input_info_writer("tempmem://w.mp3", test::memory_file_of(good), abort_none());
  EXPECT_THROW(writer->set_info(1, info, abort_none()), sonatrix_io::exception_io_data);
  info.meta_set("title", "In memory");
  writer->set_info(0, info, abort_none());
  track_info_mutable back;
  writer->get_info(0, back, abort_none());
  EXPECT_EQ(back.meta_find_value("title"), "In memory");
  EXPECT_EQ(back.info_find_value("tagtype"), "id3v2.3|id3v1");
}

TEST(mpeg_stream, a_stream_that_cannot_seek_has_no_length) {
  const bytes_t good = fixture_bytes("vbr4_mono_22k.mp3");
  memory_byte_source stream(good, false, false);
  frame_walker walker(stream);
  const stream_layout layout = walker.open(null_event_logger(), abort_none());
  EXPECT_FALSE(layout.frame_count);
  EXPECT_FALSE(layout.vbr);
  EXPECT_EQ(layout.first.sample_rate, 22050u);
  // The walk still finds every frame, the Xing frame included (unread, it is audio here).
  walker.set_limits(std::nullopt, std::nullopt);
  walker.reposition(layout.audio_offset, 0);
  walked_frame frame;
  uint64_t count = 0;
  while (walker.next(frame, walk_mode::decode, abort_none())) ++count;
  memory_byte_source seekable(good);
  frame_walker measuring(seekable);
  EXPECT_EQ(count, *measuring.open(null_event_logger(), abort_none()).frame_count + 1);
}

}  // namespace
}  // namespace lumo::mpeg
