#include "core/popup_recorder.h"

#include <deque>

#include "core/debug_output.h"

namespace lumo {

namespace {

struct record_list {
  std::mutex lock;
  std::vector<popup_record> records;
  std::deque<bool> answers;
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
  r.records.push_back({std::string(message), std::string(title), icon, std::nullopt});
}

bool popup_recorder::ask(std::string_view message, std::string_view title,
                         const popup_question& question) {
  debug_output(std::string(title) + ": " + std::string(message) + "\n");
  record_list& r = records();
  std::lock_guard guard(r.lock);
  r.records.push_back({std::string(message), std::string(title), question.icon, question.buttons});
  if (r.answers.empty()) return question.unattended_answer;
  bool answer = r.answers.front();
  r.answers.pop_front();
  return answer;
}

void popup_recorder::queue_answers(std::initializer_list<bool> answers) {
  record_list& r = records();
  std::lock_guard guard(r.lock);
  r.answers.insert(r.answers.end(), answers.begin(), answers.end());
}

std::vector<popup_record> popup_recorder::recorded() {
  record_list& r = records();
  std::lock_guard guard(r.lock);
  return r.records;
}

std::vector<popup_record> popup_recorder::take_recorded() {
  record_list& r = records();
  std::lock_guard guard(r.lock);
  r.answers.clear();
  return std::exchange(r.records, {});
}

}  // namespace lumo
