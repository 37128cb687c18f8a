// The test-only switches that need the Windows side: a background task with its dialog.

#include <stdexcept>

#include "app/app_services.h"
#include "core/background_task.h"
#include "core/service_registry.h"

namespace lumo {

namespace {

// A worker whose job fails, as a broken scan would.
class throwing_task : public task_callback {
 public:
  void run(task_status&, const abort_signal&) override {
    throw std::runtime_error("thrown by /test-throw-task");
  }
};

class test_task_switch_handler : public switch_handler {
 public:
  int on_token(std::string_view token) override {
    if (token != "/test-throw-task") return not_mine;
    auto ui = current_user_interface();
    threaded_process::run(make_service<throwing_task>(), task_flags::cancel,
                          ui ? ui->main_window() : nullptr, "Test task");
    return handled;
  }
  void on_file(std::string_view) override {}
  void on_files_done() override {}
};

LUMO_REGISTER_SINGLETON_SERVICE(test_task_switch_handler);

}  // namespace

}  // namespace lumo
