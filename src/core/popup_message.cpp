#include "core/popup_message.h"

#include <atomic>
#include <string>

#include "core/debug_output.h"
#include "core/internal_error.h"
#include "core/service_registry.h"

namespace lumo {

namespace {

constinit std::atomic<bool> g_quiet{false};

service_ptr<popup_message> the_service() {
  service_ptr<popup_message> found;
  size_t count = 0;
  for_each_service<popup_message>([&](service_ptr<popup_message> p) {
    found = std::move(p);
    return ++count < 2;
  });
  if (count != 1) internal_error_crash("the popup-message service is missing or duplicated");
  return found;
}

bool quiet(std::string_view message, std::string_view title) {
  if (!g_quiet.load(std::memory_order_relaxed)) return false;
  debug_output(std::string(title) + ": " + std::string(message) + "\n");
  return true;
}

}  // namespace

void popup_message::g_show(std::string_view message, std::string_view title, popup_icon icon) {
  if (!quiet(message, title)) the_service()->show(message, title, icon);
}

bool popup_message::g_ask(std::string_view message, std::string_view title,
                          const popup_question& question) {
  if (quiet(message, title)) return question.unattended_answer;
  return the_service()->ask(message, title, question);
}

bool popup_message::g_ask_ok_cancel(std::string_view message, std::string_view title) {
  return g_ask(message, title, {popup_buttons::ok_cancel, popup_icon::error, true});
}

void set_popups_quiet(bool quiet) {
  g_quiet.store(quiet, std::memory_order_relaxed);
}

}  // namespace lumo
