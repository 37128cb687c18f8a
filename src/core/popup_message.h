#pragma once
// The popup-message service: how errors of background work reach the user. Exactly one
// implementation is registered (a message box on Windows; natively a recorder).

#include <cstdint>
#include <string_view>

#include "core/service.h"

namespace lumo {

enum class popup_icon : uint32_t { information = 0, error = 1, warning = 2 };

class popup_message : public service_base {
 public:
  static constexpr guid class_guid{
      0x1f7d3c05u, 0x6a41, 0x4e9b, {0x8d, 0x12, 0xc9, 0x3e, 0x5b, 0x70, 0xa4, 0x26}};
  using parent_class = service_base;
  using service_class = popup_message;

  // Texts are UTF-8. May be called from any thread.
  virtual void show(std::string_view message, std::string_view title, popup_icon icon) = 0;
  // An OK/Cancel question with the error icon, main thread only: true for OK. A prompt
  // refused by an active modal scope answers OK, so the program goes on.
  virtual bool ask_ok_cancel(std::string_view message, std::string_view title) = 0;

  // Shows through the registered implementation; the internal-error crash when there is
  // none or more than one.
  // While popups are quiet (a program started with no user interface) the text goes to
  // the debug output instead.
  // Usable before start-up has built the registry (the static list is asked then), so
  // the prompts of start-up's early steps follow the same rules.
  static void g_show(std::string_view message, std::string_view title,
                     popup_icon icon = popup_icon::information);
  // Quiet: the text goes to the debug output and the answer is OK.
  static bool g_ask_ok_cancel(std::string_view message, std::string_view title);

 protected:
  ~popup_message() = default;
};

// Start-up, main thread.
void set_popups_quiet(bool quiet);

}  // namespace lumo
