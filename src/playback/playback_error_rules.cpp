#include "playback/playback_error_rules.h"

namespace lumo {

playback_error_rules::playback_error_rules(std::function<uint64_t()> now_ms)
    : now_ms_(std::move(now_ms)) {}

playback_error_rules::action playback_error_rules::add(std::string_view message,
                                                       bool popups_enabled) {
  if (open_) {
    if (count_ < max_messages) {
      text_ += "\r\n\r\n";
      text_ += message;
      ++count_;
      return action::update;
    }
    if (overflowed_) return action::none;
    overflowed_ = true;
    text_ += "\r\n\r\n(...)";
    return action::update;
  }
  if (!popups_enabled) return action::none;
  if (was_closed_ && now_ms_() - closed_at_ < reopen_delay_ms) return action::none;
  open_ = true;
  count_ = 1;
  overflowed_ = false;
  text_ = std::string(message);
  return action::create;
}

void playback_error_rules::closed() {
  if (!open_) return;
  open_ = false;
  count_ = 0;
  overflowed_ = false;
  text_.clear();
  was_closed_ = true;
  closed_at_ = now_ms_();
}

}  // namespace lumo
