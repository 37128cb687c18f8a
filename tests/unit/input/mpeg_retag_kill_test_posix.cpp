// A retagging process killed at random moments: the file left behind is always a whole
// MP3 - the old one or the new one - with the audio untouched.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <thread>

#include "input/album_art.h"
#include "input/input_open.h"
#include "mpeg_test_support.h"
#include "tags/file_tags.h"
#include "test_folder.h"

namespace lumo {
namespace {

using namespace lumo::test;
using lumo::testing::read_whole_file;
using lumo::testing::test_folder;
using lumo::testing::write_whole_file;

// Alternates small edits (in place) with a big picture added and removed (rewrites).
[[noreturn]] void retag_forever(const std::string& url) {
  std::vector<uint8_t> picture(200000, 0x5A);
  picture[0] = 0xFF;
  picture[1] = 0xD8;
  for (int n = 0;; ++n) {
    auto writer = open_input_info_writer(url, nullptr, abort_none());
    track_info_mutable info;
    writer->get_info(0, info, abort_none());
    info.meta_set("title", "Edit " + std::to_string(n % 7));
    if (n % 3 == 0)
      dynamic_cast<album_art_editor&>(*writer).set_album_art(
          album_art_kind::front_cover, n % 2 ? std::vector<uint8_t>{} : picture);
    writer->set_info(0, info, abort_none());
  }
}

TEST(mpeg_retag_kill, a_killed_writer_leaves_a_whole_file) {
  test_folder folder;
  const std::string url = folder / "killed.mp3";
  const auto source = read_file(mpeg_fixture("cbr320_stereo_48k.mp3"));
  const std::string audio(source.begin(), source.end());
  const auto samples = decode_bytes(source, "mem://killed.mp3").samples;
  write_whole_file(url, audio);
  std::mt19937 rng(17);
  for (int round = 0; round < 12; ++round) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) retag_forever(url);
    std::this_thread::sleep_for(std::chrono::microseconds(2000 + rng() % 40000));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the writer ended by itself";

    const std::string bytes = read_whole_file(url);
    auto f = open_file(url, open_mode::read, abort_none());
    track_info_mutable info;
    const auto layout = read_file_tags(*f, info, abort_none());
    ASSERT_EQ(bytes.substr(layout.id3v2.total_bytes, layout.audio_end - layout.id3v2.total_bytes),
              audio)
        << "round " << round;
    const std::string title(info.meta_find_value("title").value_or("Edit 0"));
    EXPECT_TRUE(title.starts_with("Edit ")) << title;
    EXPECT_EQ(decode_bytes({bytes.begin(), bytes.end()}, "mem://k" + std::to_string(round) + ".mp3")
                  .samples,
              samples);
  }
}

}  // namespace
}  // namespace lumo
