#include "app/app_services.h"
#include "app/startup_hooks.h"

namespace lumo {

namespace {
service_ptr<user_interface_main> g_ui;
}

service_ptr<user_interface_main> current_user_interface() {
  return g_ui;
}

void set_current_user_interface(service_ptr<user_interface_main> ui) {
  g_ui = std::move(ui);
}

startup_hooks& app_startup_hooks() {
  static startup_hooks hooks;
  return hooks;
}

}  // namespace lumo
