#include "core/popup_message.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "core/main_thread.h"
#include "core/modal_scope.h"
#include "core/service_registry.h"
#include "core/unicode.h"

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

// Finds the box titled title, reads its text and presses the button with that id.
std::string answer_box(const wchar_t* title, int button) {
  for (auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
       std::chrono::steady_clock::now() < end;
       std::this_thread::sleep_for(std::chrono::milliseconds(50))) {
    HWND found = FindWindowW(L"#32770", title);
    if (!found || !GetDlgItem(found, button)) continue;
    wchar_t text[200] = {};
    GetDlgItemTextW(found, 0xFFFF, text, 200);  // a message box's text control
    PostMessageW(found, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    return from_wide(text);
  }
  return "(no message box)";
}

// Real boxes under Wine: the buttons the question names, and the answer clicked; a
// prompt refused by a modal scope gets the unattended answer without a box.
TEST(PopupMessageWin32, QuestionsShowTheirButtonsAndReturnTheAnswer) {
  service_registry registry;
  registry.build(static_factories());
  service_ptr<popup_message> box = get_single_service<popup_message>(registry);
  const popup_question retry{popup_buttons::retry_cancel, popup_icon::warning, false};
  const popup_question yes_no{popup_buttons::yes_no, popup_icon::information, false};
  struct {
    const popup_question& question;
    int button;
    bool expected;
  } cases[] = {{retry, IDRETRY, true},
               {retry, IDCANCEL, false},
               {yes_no, IDYES, true},
               {yes_no, IDNO, false}};
  for (const auto& c : cases) {
    std::string shown;
    std::thread driver([&] { shown = answer_box(L"Lumo question", c.button); });
    EXPECT_EQ(box->ask("Try again?", "Lumo question", c.question), c.expected) << c.button;
    driver.join();
    EXPECT_EQ(shown, "Try again?");
  }

  HWND open_dialog = CreateWindowExW(0, L"STATIC", L"open dialog", WS_POPUP | WS_VISIBLE, 0, 0, 100,
                                     50, nullptr, nullptr, nullptr, nullptr);
  {
    modal_scope scope(open_dialog);
    EXPECT_FALSE(box->ask("Refused", "Lumo question", retry));
    EXPECT_TRUE(
        box->ask("Refused", "Lumo question", {popup_buttons::ok_cancel, popup_icon::error, true}));
  }
  DestroyWindow(open_dialog);
}

}  // namespace
