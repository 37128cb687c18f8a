#include "playback/power_request.h"

namespace lumo {

power_request::power_request(std::unique_ptr<power_api> api) : api_(std::move(api)) {
  if (!api_) {
    usable_ = false;
    return;
  }
  if (api_->has_requests()) {
    requests_ = true;
    usable_ = api_->create_request();
  }
}

power_request::~power_request() {
  set_playing(false);
  if (requests_ && usable_) api_->close_request();
}

void power_request::set_playing(bool playing) {
  if (playing == playing_) return;
  playing_ = playing;
  if (!usable_) return;
  if (requests_) {
    if (playing)
      api_->set_request();
    else
      api_->clear_request();
  } else {
    api_->set_execution_state(execution_state_continuous |
                              (playing ? execution_state_system_required : 0));
  }
}

}  // namespace lumo
