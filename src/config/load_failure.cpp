#include "config/load_failure.h"

#include "core/exceptions.h"
#include "core/popup_message.h"

namespace lumo {

namespace {

constinit ok_cancel_hook g_test_hook = nullptr;

}  // namespace

std::string config_load_failure_text(std::string_view error_text) {
  std::string text = "Error reading configuration file (";
  text += error_text;
  text += ").\nContinue?";
  return text;
}

void ask_continue_after_config_load_failure(std::string_view error_text, prompt_mode mode) {
  if (mode == prompt_mode::quiet) return;
  std::string text = config_load_failure_text(error_text);
  // An empty title: the question says it all.
  bool go_on = g_test_hook ? g_test_hook(text) : popup_message::g_ask_ok_cancel(text, "");
  if (!go_on) throw kel::exception_shutdownrequest();
}

void set_ok_cancel_hook_for_tests(ok_cancel_hook hook) {
  g_test_hook = hook;
}

}  // namespace lumo
