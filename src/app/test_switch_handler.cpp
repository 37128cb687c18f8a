// Switches that only test builds understand, so the whole-program tests can reach
// behaviour a user cannot trigger on purpose.

#include <chrono>
#include <stdexcept>
#include <thread>

#include "app/app_services.h"
#include "app/close_request.h"
#include "core/internal_error.h"
#include "core/service_registry.h"

namespace lumo {

namespace {

class test_switch_handler : public switch_handler {
 public:
  int on_token(std::string_view token) override {
    if (token == "/test-crash") internal_error_crash("crash requested by /test-crash");
    // What the "Restart" menu command does, reachable before the menu exists.
    if (token == "/test-restart") {
      app_close_request(close_mode::restart);
      return handled;
    }
    // A first instance that stops answering: its main thread is busy for a while.
    if (token == "/test-hang") {
      std::this_thread::sleep_for(std::chrono::seconds(15));
      return handled;
    }
    // Code under a window procedure that throws (a forwarded command line is processed
    // inside the instance window's procedure).
    if (token == "/test-throw") throw std::runtime_error("thrown by /test-throw");
    return not_mine;
  }
  void on_file(std::string_view) override {}
  void on_files_done() override {}
};

LUMO_REGISTER_SINGLETON_SERVICE(test_switch_handler);

}  // namespace

}  // namespace lumo
