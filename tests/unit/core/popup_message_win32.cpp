#include "core/popup_message.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <thread>

#include "core/main_thread.h"
#include "core/modal_scope.h"
#include "core/service_registry.h"

using namespace lumo;

namespace {

// The message box itself would wait for a click, so this checks the paths around it:
// a report from a worker goes to the main thread, and no box opens over a modal one.
TEST(PopupMessageWin32, WorkerReportsGoToTheMainThreadAndWaitForNoModal) {
  service_registry registry;
  registry.build(static_factories());
  service_ptr<popup_message> box = get_single_service<popup_message>(registry);

  HWND open_dialog = CreateWindowExW(0, L"STATIC", L"open dialog", WS_POPUP | WS_VISIBLE, 0, 0, 100,
                                     50, nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(open_dialog);
  {
    modal_scope scope(open_dialog);
    EXPECT_FALSE(can_prompt());
    // Refused at once (the open dialog is flashed instead): the call does not block.
    box->show("Refused", "Lumo", popup_icon::error);

    std::thread([&] { box->show("From a worker", "Lumo", popup_icon::error); }).join();
    EXPECT_EQ(pending_callback_count(), 1u);
    run_pending(drain::until_empty);  // still inside the scope: refused again
  }
  EXPECT_EQ(pending_callback_count(), 0u);
  DestroyWindow(open_dialog);
}

}  // namespace
