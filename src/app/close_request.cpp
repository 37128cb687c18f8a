#include "app/close_request.h"

#include <algorithm>

#include "app/app_services.h"
#include "app/app_state.h"
#include "core/background_task.h"
#include "core/main_thread.h"
#include "core/modal_scope.h"
#include "core/text_lookup.h"

namespace lumo {

namespace {
close_prompt g_prompt = platform_close_prompt;
}

close_prompt set_close_prompt(close_prompt prompt) {
  close_prompt old = g_prompt;
  g_prompt = prompt ? prompt : platform_close_prompt;
  return old;
}

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
    if (!g_prompt(lookup_text("dialog_appclose_caption"),
                  close_question_text(task_registry::names())))
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
