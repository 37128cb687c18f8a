// The popup-message service on Windows: a message box, shown on the main thread.

#include <windows.h>

#include <string>

#include "core/main_thread.h"
#include "core/modal_scope.h"
#include "core/popup_message.h"
#include "core/service_registry.h"
#include "core/unicode.h"

namespace lumo {

namespace {

UINT icon_style(popup_icon icon) {
  switch (icon) {
    case popup_icon::error: return MB_ICONERROR;
    case popup_icon::warning: return MB_ICONWARNING;
    default: return MB_ICONINFORMATION;
  }
}

UINT button_style(popup_buttons buttons) {
  switch (buttons) {
    case popup_buttons::retry_cancel: return MB_RETRYCANCEL;
    case popup_buttons::yes_no: return MB_YESNO;
    default: return MB_OKCANCEL;
  }
}

void show_box(const std::string& message, const std::string& title, popup_icon icon) {
  if (!check_can_prompt()) return;
  HWND owner = GetActiveWindow();
  modal_scope scope(owner);
  MessageBoxW(owner, to_wide(message).c_str(), to_wide(title).c_str(), MB_OK | icon_style(icon));
}

class popup_message_box : public popup_message {
 public:
  void show(std::string_view message, std::string_view title, popup_icon icon) override {
    std::string m(message), t(title);
    // Workers report errors too; the box belongs to the main thread and its windows.
    if (is_main_thread())
      show_box(m, t, icon);
    else
      post_to_main_thread([m, t, icon] { show_box(m, t, icon); });
  }

  bool ask(std::string_view message, std::string_view title,
           const popup_question& question) override {
    if (!check_can_prompt()) return question.unattended_answer;
    HWND owner = GetActiveWindow();
    modal_scope scope(owner);
    int answer = MessageBoxW(owner, to_wide(message).c_str(), to_wide(title).c_str(),
                             button_style(question.buttons) | icon_style(question.icon));
    if (answer == 0) return question.unattended_answer;  // no box could be shown
    return answer == IDOK || answer == IDRETRY || answer == IDYES;
  }

 protected:
  ~popup_message_box() = default;
};

LUMO_REGISTER_SINGLETON_SERVICE(popup_message_box);

}  // namespace

}  // namespace lumo
