// The program's own switches: "/lang" (consumed at start-up; its value arrives here as
// a file argument and is dropped) and the remote-control switches, which run main-menu
// commands in this instance, or in the running one when forwarded.

#include "app/app_services.h"
#include "app/command_line.h"
#include "app/main_menu_commands.h"
#include "core/service_registry.h"

namespace lumo {

namespace {

class builtin_switch_handler : public switch_handler {
 public:
  int on_token(std::string_view token) override {
    builtin_switch_answer a = match_builtin_switch(token);
    if (a.command) run_main_menu_command(main_command_guid(*a.command));
    return a.answer;
  }
  void on_file(std::string_view) override {}
  void on_files_done() override {}
};

LUMO_REGISTER_SINGLETON_SERVICE(builtin_switch_handler);

}  // namespace

}  // namespace lumo
