// The "Playback error" window as the user meets it, its edit text read back: failing
// files from the engine collect in one window, forty messages stop at 33 and "(...)", a
// closed window stays away for 10 seconds of the test clock, and popups switched off
// never open one.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "app/engine_playback.h"
#include "config/advanced_entries.h"
#include "core/main_thread.h"
#include "core/unicode.h"
#include "playback/playback_error_window.h"
#include "playback/render_output.h"

namespace lumo {
namespace {

std::string window_text() {
  HWND w = static_cast<HWND>(playback_error_window());
  if (!w) return {};
  wchar_t buffer[65536];
  GetDlgItemTextW(w, 1077, buffer, 65536);
  return from_wide(buffer);
}

size_t count_of(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

struct test_clock {
  uint64_t now = 50'000;
  test_clock() {
    set_playback_error_clock([this] { return now; });
  }
  ~test_clock() { set_playback_error_clock(nullptr); }
};

TEST(PlaybackErrorWindow, ThreeFailingFilesMakeOneWindowWithThreeMessages) {
  test_clock clock;
  advanced::show_error_popups.set_state(true);
  engine_playback port(
      [] { return std::make_unique<render_output>(std::make_unique<null_render_sink>()); });
  std::string dir = ::testing::TempDir();
  std::vector<track_location> list;
  for (int i = 0; i < 3; ++i)
    list.push_back({"file://" + dir + "lumo_no_such_file_" + std::to_string(i) + ".wav", 0});
  HWND before = GetActiveWindow();
  port.play(list, 0);
  auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while ((port.is_playing() || count_of(window_text(), "Unable to open") < 3) &&
         std::chrono::steady_clock::now() < give_up) {
    run_pending(drain::until_empty);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  run_pending(drain::until_empty);
  HWND w = static_cast<HWND>(playback_error_window());
  ASSERT_NE(w, nullptr);
  wchar_t title[64];
  GetWindowTextW(w, title, 64);
  EXPECT_EQ(from_wide(title), "Playback error");
  EXPECT_TRUE(IsWindowVisible(w));
  EXPECT_NE(GetActiveWindow(), w) << "the window must not take the focus";
  EXPECT_EQ(GetActiveWindow(), before);
  std::string text = window_text();
  EXPECT_EQ(count_of(text, "Unable to open item for playback ("), 3u) << text;
  EXPECT_EQ(count_of(text, "\r\n\r\n"), 2u) << text;
  EXPECT_NE(text.find("lumo_no_such_file_2.wav"), std::string::npos) << text;

  // The edit control follows the window's size.
  RECT edit_before, edit_after;
  GetWindowRect(GetDlgItem(w, 1077), &edit_before);
  RECT r;
  GetWindowRect(w, &r);
  MoveWindow(w, r.left, r.top, r.right - r.left + 100, r.bottom - r.top + 60, TRUE);
  GetWindowRect(GetDlgItem(w, 1077), &edit_after);
  EXPECT_EQ(edit_after.right - edit_after.left, edit_before.right - edit_before.left + 100);
  EXPECT_EQ(edit_after.bottom - edit_after.top, edit_before.bottom - edit_before.top + 60);

  SendMessageW(w, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(playback_error_window(), nullptr);
  EXPECT_FALSE(IsWindow(w));
}

TEST(PlaybackErrorWindow, FortyMessagesShow33AndAnEllipsis) {
  test_clock clock;
  advanced::show_error_popups.set_state(true);
  for (int i = 1; i <= 40; ++i) show_playback_error("message " + std::to_string(i));
  std::string text = window_text();
  EXPECT_EQ(count_of(text, "message "), 33u);
  EXPECT_NE(text.find("message 33\r\n\r\n(...)"), std::string::npos);
  EXPECT_EQ(text.find("message 34"), std::string::npos);
  EXPECT_EQ(count_of(text, "(...)"), 1u);
  SendMessageW(static_cast<HWND>(playback_error_window()), WM_COMMAND, IDCANCEL, 0);
  EXPECT_EQ(playback_error_window(), nullptr);
}

TEST(PlaybackErrorWindow, ClosedWindowStaysAwayTenSecondsAndPopupsOffNeverShowOne) {
  test_clock clock;
  advanced::show_error_popups.set_state(true);
  show_playback_error("first");
  HWND w = static_cast<HWND>(playback_error_window());
  ASSERT_NE(w, nullptr);
  // The close box.
  SendMessageW(w, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(playback_error_window(), nullptr);
  clock.now += 9'999;
  show_playback_error("too soon");
  EXPECT_EQ(playback_error_window(), nullptr);
  clock.now += 1;
  show_playback_error("again");
  ASSERT_NE(playback_error_window(), nullptr);
  EXPECT_EQ(window_text(), "again");
  SendMessageW(static_cast<HWND>(playback_error_window()), WM_COMMAND, IDOK, 0);

  clock.now += 60'000;
  advanced::show_error_popups.set_state(false);
  for (int i = 0; i < 3; ++i) show_playback_error("hidden");
  EXPECT_EQ(playback_error_window(), nullptr);
  advanced::show_error_popups.set_state(true);
}

}  // namespace
}  // namespace lumo
