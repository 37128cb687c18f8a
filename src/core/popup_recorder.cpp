#include "core/popup_recorder.h"

#include "core/debug_output.h"

namespace lumo {

namespace {

struct record_list {
  std::mutex lock;
  std::vector<popup_record> records;
};

record_list& records() {
  static record_list r;
  return r;
}

}  // namespace

void popup_recorder::show(std::string_view message, std::string_view title, popup_icon icon) {
  debug_output(std::string(title) + ": " + std::string(message) + "\n");
  record_list& r = records();
  std::lock_guard guard(r.lock);
  r.records.push_back({std::string(message), std::string(title), icon});
}

bool popup_recorder::ask_ok_cancel(std::string_view message, std::string_view title) {
  show(message, title, popup_icon::error);
  return true;
}

std::vector<popup_record> popup_recorder::recorded() {
  record_list& r = records();
  std::lock_guard guard(r.lock);
  return r.records;
}

std::vector<popup_record> popup_recorder::take_recorded() {
  record_list& r = records();
  std::lock_guard guard(r.lock);
  return std::exchange(r.records, {});
}

}  // namespace lumo
