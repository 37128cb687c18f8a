#pragma once
// The popup-message service: how errors of background work reach the user. Exactly one
// implementation is registered (a message box on Windows; natively a recorder).

#include <cstdint>
#include <string_view>

#include "core/service.h"

namespace lumo {

enum class popup_icon : uint32_t { information = 0, error = 1, warning = 2 };
enum class popup_buttons : uint32_t { ok_cancel = 0, retry_cancel = 1, yes_no = 2 };

// A question with two answers: true is the first button (OK, Retry, Yes).
struct popup_question {
  popup_buttons buttons = popup_buttons::ok_cancel;
  popup_icon icon = popup_icon::error;
  // The answer when nobody can be asked: popups are quiet, or a modal scope refuses the
  // prompt. Each caller knows which answer changes least.
  bool unattended_answer = true;
};

class popup_message : public service_base {
 public:
  static constexpr guid class_guid{
      0x1f7d3c05u, 0x6a41, 0x4e9b, {0x8d, 0x12, 0xc9, 0x3e, 0x5b, 0x70, 0xa4, 0x26}};
  using parent_class = service_base;
  using service_class = popup_message;

  // Texts are UTF-8. May be called from any thread.
  virtual void show(std::string_view message, std::string_view title, popup_icon icon) = 0;
  // Main thread only. A prompt refused by an active modal scope gets the question's
  // unattended answer.
  virtual bool ask(std::string_view message, std::string_view title,
                   const popup_question& question) = 0;

  // Shows through the registered implementation; the internal-error crash when there is
  // none or more than one.
  // While popups are quiet (a program started with no user interface) the text goes to
  // the debug output instead.
  // Usable before start-up has built the registry (the static list is asked then), so
  // the prompts of start-up's early steps follow the same rules.
  static void g_show(std::string_view message, std::string_view title,
                     popup_icon icon = popup_icon::information);
  // Quiet: the text goes to the debug output and the answer is the unattended one.
  static bool g_ask(std::string_view message, std::string_view title,
                    const popup_question& question);
  // OK/Cancel with the error icon; OK when nobody can be asked, so the program goes on.
  static bool g_ask_ok_cancel(std::string_view message, std::string_view title);

 protected:
  ~popup_message() = default;
};

// Start-up, main thread.
void set_popups_quiet(bool quiet);

}  // namespace lumo
