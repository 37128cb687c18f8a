#pragma once
// A popup-message implementation that keeps what it was asked to show. It is the
// registered implementation natively, where there is no one to show a box to; Windows
// tests register it in place of the message box.

#include <mutex>
#include <string>
#include <vector>

#include "core/popup_message.h"

namespace lumo {

struct popup_record {
  std::string message, title;
  popup_icon icon;
};

class popup_recorder : public popup_message {
 public:
  void show(std::string_view message, std::string_view title, popup_icon icon) override;
  // Recorded like show (icon error); the answer is OK.
  bool ask_ok_cancel(std::string_view message, std::string_view title) override;

  // Everything shown so far, across every instance, oldest first; take_ clears it.
  static std::vector<popup_record> recorded();
  static std::vector<popup_record> take_recorded();

 protected:
  ~popup_recorder() = default;
};

}  // namespace lumo
