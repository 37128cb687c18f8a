#include "core/background_task.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "core/exceptions.h"
#include "core/main_thread.h"
#include "core/popup_message.h"

namespace lumo {

namespace {

int percent(double fraction) {
  if (!(fraction > 0)) return 0;  // also NaN
  return static_cast<int>(std::lround(std::min(fraction, 1.0) * 100.0));
}

}  // namespace

void task_status::set_progress(double fraction) {
  std::lock_guard guard(lock_);
  state_.progress = percent(fraction);
}

void task_status::set_secondary_progress(double fraction) {
  std::lock_guard guard(lock_);
  state_.secondary_progress = percent(fraction);
}

void task_status::set_item(std::string_view text) {
  std::lock_guard guard(lock_);
  state_.item = text;
}

void task_status::set_detail(std::string_view first, std::string_view second) {
  std::lock_guard guard(lock_);
  state_.detail1 = first;
  state_.detail2 = second;
}

bool task_status::is_paused() const {
  std::lock_guard guard(lock_);
  return paused_;
}

void task_status::set_paused(bool paused) {
  std::lock_guard guard(lock_);
  paused_ = paused;
}

task_status::snapshot task_status::read() const {
  std::lock_guard guard(lock_);
  return state_;
}

uint32_t effective_task_flags(uint32_t flags) {
  if (flags & task_flags::secondary) flags |= task_flags::show_progress;
  if (flags & task_flags::delayed_show) flags |= task_flags::modeless;
  return flags;
}

bool should_show_dialog(uint32_t effective_flags, bool is_visible, int64_t elapsed_ms) {
  if (is_visible || !(effective_flags & task_flags::delayed_show)) return false;
  return elapsed_ms > delayed_show_after_ms;
}

std::string unhandled_exception_title(std::string_view task_title) {
  return "Unhandled exception in \"" + std::string(task_title) + "\"";
}

std::optional<std::string> run_task_body(task_callback& callback, task_status& status,
                                         const abort_signal& abort) {
  try {
    callback.run(status, abort);
    return std::nullopt;
  } catch (const kel::exception_aborted& e) {
    if (abort.is_aborting()) return std::nullopt;  // the user asked for it
    return kel::error_text(e);
  } catch (const std::exception& e) {
    return kel::error_text(e);
  } catch (...) {
    return "Unknown exception";
  }
}

void report_task_failure(std::string_view task_title, std::string_view text) {
  popup_message::g_show(text, unhandled_exception_title(task_title), popup_icon::error);
}

namespace {
// Main thread only.
std::map<task_registry::task_id, std::string>& running_tasks() {
  static std::map<task_registry::task_id, std::string> tasks;
  return tasks;
}
task_registry::task_id g_next_task_id = 1;
}  // namespace

task_registry::task_id task_registry::add(std::string_view name) {
  assert_main_thread();
  task_id id = g_next_task_id++;
  running_tasks().emplace(id, name.empty() ? std::string("<unnamed task>") : std::string(name));
  return id;
}

void task_registry::remove(task_id id) {
  assert_main_thread();
  running_tasks().erase(id);
}

std::vector<std::string> task_registry::names() {
  assert_main_thread();
  std::vector<std::string> out;
  for (const auto& [id, name] : running_tasks()) out.push_back(name);
  return out;
}

bool task_registry::empty() {
  assert_main_thread();
  return running_tasks().empty();
}

}  // namespace lumo
