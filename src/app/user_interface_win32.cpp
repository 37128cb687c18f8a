// The user-interface module: start-up's view of the main window (src/ui), with the
// program's own commands (closing, saving the configuration, the transport switches)
// connected to it.

#include <windows.h>

#include "app/app_services.h"
#include "app/close_request.h"
#include "app/engine_playback.h"
#include "app/main_menu_commands.h"
#include "core/config_store.h"
#include "core/service_registry.h"
#include "ui/main_window.h"

namespace lumo {

namespace {

void save_configuration_now() {
  for (service_ptr<config_store> store : enumerate_services<config_store>()) store->save_now();
}

void run_transport(main_command command) {
  switch (command) {
    case main_command::play: return main_window_transport(transport_command::play);
    case main_command::pause: return main_window_transport(transport_command::pause);
    case main_command::stop: return main_window_transport(transport_command::stop);
    case main_command::next: return main_window_transport(transport_command::next);
    case main_command::previous: return main_window_transport(transport_command::previous);
    default: return;
  }
}

class main_user_interface : public user_interface_main {
 public:
  void initialize() override {
    main_window_register_classes();
    // What the window plays is heard: the engine replaces its engineless queue.
    main_window_set_playback(std::make_unique<engine_playback>());
    set_playback_command_handler(run_transport);
  }

  void create_main_window(bool start_hidden) override {
    main_window_hooks hooks;
    hooks.close_request = [](int mode) { app_close_request(static_cast<close_mode>(mode)); };
    hooks.save_configuration = save_configuration_now;
    main_window_create(start_hidden, std::move(hooks));
  }

  window_handle main_window() override { return main_window_handle(); }
  void activate() override { main_window_activate(); }
  void hide() override { main_window_hide(); }
  void open_items(const std::vector<std::string>& urls) override { main_window_open_items(urls); }
  bool query_close() override { return true; }
  // Read before the configuration is saved.
  void shutdown_begins() override { main_window_save_state(); }
  void destroy_main_window() override { main_window_destroy(); }

  void shutdown() override {
    set_playback_command_handler(nullptr);
    main_window_destroy();
    main_window_unregister_classes();
  }
};

LUMO_REGISTER_SINGLETON_SERVICE(main_user_interface);

}  // namespace

}  // namespace lumo
