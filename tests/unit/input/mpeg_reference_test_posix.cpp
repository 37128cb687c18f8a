// Every fixture against the mpg123 program's own float decode (gapless on, its default):
//   mpg123 -q -e f32 -s FILE
// Same length and the same samples within float rounding. Files without LAME's delay and
// padding are not trimmed by mpg123; there our output is its output minus the decoder
// delay at the start. Native only: the reference is a Linux program.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "mpeg_test_support.h"

namespace lumo::mpeg {
namespace {

std::vector<float> mpg123_decode(const std::string& path) {
  const std::string command = "mpg123 -q -e f32 -s '" + path + "' 2>/dev/null";
  std::FILE* pipe = popen(command.c_str(), "r");
  std::vector<float> out;
  if (!pipe) return out;
  float block[4096];
  size_t got;
  while ((got = std::fread(block, sizeof(float), 4096, pipe)) > 0)
    out.insert(out.end(), block, block + got);
  pclose(pipe);
  return out;
}

TEST(mpeg_reference, every_fixture_matches_the_mpg123_program) {
  if (std::system("mpg123 --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "mpg123 missing";
  const std::filesystem::path folder = test::mpeg_fixture("");
  size_t compared = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().extension() != ".mp3") continue;
    const std::string name = entry.path().filename().string();
    SCOPED_TRACE(name);
    const auto bytes = test::read_file(entry.path().string());
    auto decoder = test::open_mp3(bytes, "tempmem://ref-" + name);
    track_info_mutable info;
    decoder->get_info(0, info, abort_none());
    const test::decoded_audio ours = test::decode_all(*decoder);
    std::vector<float> theirs = mpg123_decode(entry.path().string());
    if (!info.info_find_value("enc_delay")) {
      const std::string codec(*info.info_find_value("codec"));
      const size_t delay = codec == "MP3" ? 529 : codec == "MP2" ? 481 : 0;
      ASSERT_GE(theirs.size(), delay * ours.channels);
      theirs.erase(theirs.begin(), theirs.begin() + static_cast<ptrdiff_t>(delay * ours.channels));
    }
    ASSERT_EQ(ours.samples.size(), theirs.size());
    float worst = 0;
    for (size_t i = 0; i < theirs.size(); ++i)
      worst = std::max(worst, std::fabs(ours.samples[i] - theirs[i]));
    EXPECT_LE(worst, 1e-6f);
    ++compared;
  }
  EXPECT_EQ(compared, 17u);
}

}  // namespace
}  // namespace lumo::mpeg
