// The window's playback port over the engine: state changes reach the window, the
// volume is stored and reaches the engine, and what is played is heard to its end.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <thread>
#include <vector>

#include "app/engine_playback.h"
#include "app/main_menu_commands.h"
#include "core/main_thread.h"
#include "core/service_registry.h"
#include "playback/playback_settings.h"
#include "playback/render_output.h"
#include "ui/engineless_playback.h"

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

// The main-menu commands fast forward and rewind move 5 seconds in the playing track.
TEST(EnginePlayback, FastForwardAndRewindCommandsSeekFiveSeconds) {
  std::string path = ::testing::TempDir() + "lumo_port_seek_test.wav";
  {
    // 20 s of 8 kHz mono 16-bit silence.
    const uint32_t data = 8000 * 2 * 20;
    std::ofstream f(path, std::ios::binary);
    auto u32 = [&](uint32_t v) {
      for (int i = 0; i < 4; ++i) f.put(static_cast<char>(v >> (8 * i)));
    };
    auto u16 = [&](uint16_t v) {
      f.put(static_cast<char>(v));
      f.put(static_cast<char>(v >> 8));
    };
    f.write("RIFF", 4);
    u32(36 + data);
    f.write("WAVEfmt ", 8);
    u32(16);
    u16(1);
    u16(1);
    u32(8000);
    u32(16000);
    u16(2);
    u16(16);
    f.write("data", 4);
    u32(data);
    std::string zeros(data, '\0');
    f.write(zeros.data(), static_cast<std::streamsize>(zeros.size()));
  }
  // The real-time null output, so the position moves at the pace of the sound.
  engine_playback port([] { return find_output_entry(null_output_guid)->create(guid{}); });
  ASSERT_EQ(engine_playback::current(), &port);
  auto wait_for = [](const std::function<bool()>& done) {
    auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done() && std::chrono::steady_clock::now() < give_up) {
      run_pending(drain::until_empty);
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return done();
  };
  // The commands are found through the registry.
  bool built = !services().is_ready();
  if (built) services().build(static_factories());
  port.play({{"file://" + path, 0}}, 0);
  ASSERT_TRUE(wait_for([&] { return port.position_seconds() > 0.05; }));
  ASSERT_TRUE(run_main_menu_command(main_command_guid(main_command::fast_forward)));
  ASSERT_TRUE(wait_for([&] { return port.position_seconds() >= 5.0; }));
  EXPECT_LT(port.position_seconds(), 7.0);
  ASSERT_TRUE(run_main_menu_command(main_command_guid(main_command::rewind)));
  ASSERT_TRUE(wait_for([&] { return port.position_seconds() < 2.5; }));
  port.stop();
  ASSERT_TRUE(wait_for([&] { return !port.is_playing(); }));
  if (built) services().clear();
}

// Repeat and shuffle are menu commands whose check marks follow the engine's choice;
// without an engine they go to the stored choice the next engine starts with.
TEST(EnginePlayback, RepeatAndShuffleCommandsAreCheckedByTheirState) {
  bool built = !services().is_ready();
  if (built) services().build(static_factories());
  const repeat_mode repeat_before = stored_repeat_mode();
  const bool shuffle_before = stored_shuffle();
  auto checked = [](main_command c) { return is_main_menu_command_checked(main_command_guid(c)); };
  auto repeat_marks = [&] {
    return std::vector<bool>{checked(main_command::repeat_off), checked(main_command::repeat_all),
                             checked(main_command::repeat_one)};
  };
  {
    engine_playback port(
        [] { return std::make_unique<render_output>(std::make_unique<null_render_sink>()); });
    ASSERT_TRUE(run_main_menu_command(main_command_guid(main_command::repeat_all)));
    EXPECT_EQ(port.engine().repeat(), repeat_mode::all);
    EXPECT_EQ(repeat_marks(), (std::vector<bool>{false, true, false}));
    ASSERT_TRUE(run_main_menu_command(main_command_guid(main_command::repeat_one)));
    EXPECT_EQ(port.engine().repeat(), repeat_mode::one);
    EXPECT_EQ(repeat_marks(), (std::vector<bool>{false, false, true}));
    EXPECT_EQ(stored_repeat_mode(), repeat_mode::one);

    const bool shuffled = port.engine().shuffle();
    ASSERT_TRUE(run_main_menu_command(main_command_guid(main_command::shuffle)));
    EXPECT_EQ(port.engine().shuffle(), !shuffled);
    EXPECT_EQ(checked(main_command::shuffle), !shuffled);
    ASSERT_TRUE(run_main_menu_command(main_command_guid(main_command::shuffle)));
    EXPECT_EQ(checked(main_command::shuffle), shuffled);
    // The window's menu sets the same choices through its playback port.
    playback_port& window_port = port;
    window_port.set_repeat(repeat_mode::all);
    EXPECT_EQ(repeat_marks(), (std::vector<bool>{false, true, false}));
    window_port.set_shuffle(!window_port.shuffle());
    EXPECT_EQ(port.engine().shuffle(), !shuffled);
    EXPECT_EQ(checked(main_command::shuffle), window_port.shuffle());
    window_port.set_shuffle(shuffled);
    window_port.set_repeat(repeat_mode::one);
    // Other commands never show a mark.
    EXPECT_FALSE(checked(main_command::play));
    EXPECT_FALSE(checked(main_command::fast_forward));
  }
  // No engine: the stored choice changes, and a new engine starts with it.
  ASSERT_EQ(engine_playback::current(), nullptr);
  ASSERT_TRUE(run_main_menu_command(main_command_guid(main_command::repeat_off)));
  EXPECT_EQ(stored_repeat_mode(), repeat_mode::off);
  EXPECT_EQ(repeat_marks(), (std::vector<bool>{true, false, false}));
  const bool stored = stored_shuffle();
  ASSERT_TRUE(run_main_menu_command(main_command_guid(main_command::shuffle)));
  EXPECT_EQ(stored_shuffle(), !stored);
  EXPECT_EQ(checked(main_command::shuffle), !stored);
  {
    // A window without an engine keeps the choice for the next one as well.
    engineless_playback idle;
    idle.set_repeat(repeat_mode::all);
    EXPECT_EQ(repeat_marks(), (std::vector<bool>{false, true, false}));
    idle.set_repeat(repeat_mode::off);
    EXPECT_EQ(idle.shuffle(), !stored);
  }
  {
    playback_engine engine(
        [] { return std::make_unique<render_output>(std::make_unique<null_render_sink>()); });
    EXPECT_EQ(engine.shuffle(), !stored);
    EXPECT_EQ(engine.repeat(), repeat_mode::off);
  }
  store_repeat_mode(repeat_before);
  store_shuffle(shuffle_before);
  if (built) services().clear();
}

}  // namespace
}  // namespace lumo
