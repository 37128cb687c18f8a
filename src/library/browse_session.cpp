#include "library/browse_session.h"

#include <atomic>

#include "core/exceptions.h"
#include "core/main_thread.h"
#include "library/browse_platform.h"

namespace lumo {

// What the posted callbacks reach: cleared by the destructor on the main thread, so a
// callback that arrives after the session ended does nothing.
struct browse_session::shared {
  std::function<void(folder_listing)> on_listing;
  std::function<void(const std::string&)> on_error;
  bool is_alive = true;  // main thread only
};

browse_session::browse_session(std::string path, std::function<void(folder_listing)> on_listing,
                               std::function<void(const std::string&)> on_error,
                               std::function<bool(std::string_view)> accepts)
    : path_(std::move(path)),
      accepts_(std::move(accepts)),
      shared_(std::make_shared<shared>(shared{std::move(on_listing), std::move(on_error), true})) {
  worker_ = std::thread([this] { run(); });
}

browse_session::~browse_session() {
  shared_->is_alive = false;
  abort_.abort();
  worker_.join();
}

void browse_session::run() {
  auto state = shared_;
  try {
    // Watching starts before the first listing, so a change made while listing is not lost.
    auto watch = browse_platform::watch_folder(path_);
    do {
      auto listing = std::make_shared<folder_listing>(list_folder(path_, abort_, accepts_));
      post_to_main_thread([state, listing] {
        if (state->is_alive) state->on_listing(std::move(*listing));
      });
    } while (watch->wait_for_change(abort_));
  } catch (const kel::exception_aborted&) {
  } catch (const std::exception& e) {
    post_to_main_thread([state, text = kel::error_text(e)] {
      if (state->is_alive && state->on_error) state->on_error(text);
    });
  }
}

}  // namespace lumo
