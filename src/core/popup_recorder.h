#pragma once
// A popup-message implementation that keeps what it was asked to show. It is the
// registered implementation natively, where there is no one to show a box to; Windows
// tests register it in place of the message box.

#include <initializer_list>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "core/popup_message.h"

namespace lumo {

struct popup_record {
  std::string message, title;
  popup_icon icon;
  std::optional<popup_buttons> question;  // set for a question, with its buttons
};

class popup_recorder : public popup_message {
 public:
  void show(std::string_view message, std::string_view title, popup_icon icon) override;
  // Recorded like show; the answer is the next queued one, else the unattended answer.
  bool ask(std::string_view message, std::string_view title,
           const popup_question& question) override;

  // Answers for the next questions, in order (true = OK, Retry, Yes).
  static void queue_answers(std::initializer_list<bool> answers);

  // Everything shown so far, across every instance, oldest first; take_ clears it and
  // drops answers not used.
  static std::vector<popup_record> recorded();
  static std::vector<popup_record> take_recorded();

 protected:
  ~popup_recorder() = default;
};

}  // namespace lumo
