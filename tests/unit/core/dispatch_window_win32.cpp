#include "core/dispatch_window.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "core/main_thread.h"
#include "core/system_text.h"

using namespace lumo;

namespace {

TEST(DispatchWindowWin32, WakesTheMainThreadOnlyForTheMagicMessage) {
  // Posted before the window exists: waits, then runs at the first dispatch.
  std::atomic<int> ran{0};
  post_to_main_thread([&] { ++ran; });
  create_dispatch_window();
  HWND wnd = FindWindowW(L"{53229DFC-A273-45cd-A3A4-161FA9FC6414}", L"uninteresting");
  ASSERT_EQ(wnd, static_cast<HWND>(dispatch_window()));
  EXPECT_FALSE(IsWindowVisible(wnd));

  auto pump_until = [](auto done) {
    for (int i = 0; i < 1000 && !done(); ++i) {
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
      if (!done()) MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    return done();
  };
  EXPECT_TRUE(pump_until([&] { return ran == 1; }));

  // From another thread.
  std::thread([&] { post_to_main_thread([&] { ran += is_main_thread() ? 10 : 1000; }); }).join();
  EXPECT_TRUE(pump_until([&] { return ran == 11; }));

  // Somebody else's 0x4B1 is left alone; ours drains the queue.
  destroy_dispatch_window();
  post_to_main_thread([&] { ++ran; });  // no window: stays queued
  create_dispatch_window();
  wnd = static_cast<HWND>(dispatch_window());
  MSG stale;
  while (PeekMessageW(&stale, wnd, 0, 0, PM_REMOVE)) {
  }  // drop the catch-up wake-up so the checks below are exact
  SendMessageW(wnd, 0x4B1, 0xE976E5FE, 1);
  SendMessageW(wnd, 0x4B1, 1, 0x3704AEC1);
  EXPECT_EQ(ran, 11);
  EXPECT_EQ(pending_callback_count(), 1u);
  SendMessageW(wnd, 0x4B1, 0xE976E5FE, 0x3704AEC1);
  EXPECT_EQ(ran, 12);
  destroy_dispatch_window();
  EXPECT_FALSE(IsWindow(wnd));
}

TEST(SystemTextWin32, SystemMessagesLoseTheirLineBreak) {
  std::string text = system_error_text(2);
  ASSERT_FALSE(text.empty());
  EXPECT_NE(text.back(), '\n');
  EXPECT_NE(text.back(), '\r');
  EXPECT_EQ(text.find("Unknown error code"), std::string::npos);
  EXPECT_EQ(system_error_text(190), "Invalid module type.");
}

}  // namespace
