#include "app/close_request.h"

#include <algorithm>

#include "app/app_services.h"
#include "app/app_state.h"
#include "core/background_task.h"
#include "core/main_thread.h"
#include "core/modal_scope.h"
#include "core/popup_message.h"
#include "core/text_lookup.h"

namespace lumo {

std::string close_question_text(const std::vector<std::string>& task_names) {
  std::vector<std::pair<std::string, size_t>> counted;
  for (const std::string& name : task_names) {
    auto it = std::find_if(counted.begin(), counted.end(),
                           [&](const auto& c) { return c.first == name; });
    if (it == counted.end())
      counted.emplace_back(name, 1);
    else
      ++it->second;
  }
  std::string text = lookup_text("dialog_appclose_header");
  text += '\n';
  for (const auto& [name, count] : counted) {
    text += name;
    if (count >= 2) text += " (" + std::to_string(count) + ")";
    text += '\n';
  }
  text += '\n';
  text += lookup_text("dialog_appclose_notice");
  return text;
}

bool app_close_request(close_mode mode) {
  assert_main_thread();
  if (!task_registry::empty()) {
    if (!check_can_prompt()) return false;
    // Nobody to ask: the running tasks keep the program open.
    if (!popup_message::g_ask(close_question_text(task_registry::names()),
                              lookup_text("dialog_appclose_caption"),
                              {popup_buttons::yes_no, popup_icon::information, false}))
      return false;
  }
  if (auto ui = current_user_interface(); ui && !ui->query_close()) return false;

  app_state& s = app();
  if (mode == close_mode::restart) s.restart_requested = true;
  if (mode == close_mode::reset_and_restart) s.reset_requested = s.restart_requested = true;
  s.shutting_down = true;
  s.exit_requested = true;
  platform_end_message_loop();
  return true;
}

}  // namespace lumo
