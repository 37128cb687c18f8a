// The window's playback port over the engine: state changes reach the window, the
// volume is stored and reaches the engine, and what is played is heard to its end.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "app/engine_playback.h"
#include "core/main_thread.h"
#include "playback/playback_settings.h"
#include "playback/render_output.h"

namespace lumo {
namespace {

TEST(EnginePlayback, PlaysToTheEndAndTellsTheWindow) {
  std::string path = ::testing::TempDir() + "lumo_port_test.wav";
  {
    // 0.1 s of 8 kHz mono 16-bit silence.
    std::ofstream f(path, std::ios::binary);
    const uint8_t header[] = {'R', 'I', 'F',  'F',  36 + 160, 6,   0,    0,    'W', 'A', 'V',
                              'E', 'f', 'm',  't',  ' ',      16,  0,    0,    0,   1,   0,
                              1,   0,   0x40, 0x1F, 0,        0,   0x80, 0x3E, 0,   0,   2,
                              0,   16,  0,    'd',  'a',      't', 'a',  160,  6,   0,   0};
    f.write(reinterpret_cast<const char*>(header), sizeof header);
    std::string data(1600, '\0');
    f.write(data.data(), static_cast<std::streamsize>(data.size()));
  }
  engine_playback port(
      [] { return std::make_unique<render_output>(std::make_unique<null_render_sink>()); });
  int changes = 0;
  port.on_state_changed = [&] { ++changes; };

  double before = get_master_volume_db();
  port.set_volume_db(-6);
  EXPECT_EQ(port.volume_db(), -6);
  EXPECT_EQ(get_master_volume_db(), -6);

  port.play({{"file://" + path, 0}}, 0);
  EXPECT_TRUE(port.is_playing());
  EXPECT_FALSE(port.is_paused());
  auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  // The stopped notice follows the state change through the main-thread queue.
  while ((port.is_playing() || changes < 4) && std::chrono::steady_clock::now() < give_up) {
    run_pending(drain::until_empty);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  run_pending(drain::until_empty);
  EXPECT_FALSE(port.is_playing());
  EXPECT_FALSE(port.playing_track().has_value());
  // Starting, the track's stream info, the track heard, stopped.
  EXPECT_EQ(changes, 4);
  set_master_volume_db(before);
}

}  // namespace
}  // namespace lumo
