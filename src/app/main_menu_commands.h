#pragma once
// Main-menu commands: groups of commands registered as services, each command known by
// its GUID, so the menu, the remote switches ("/play", "/exit", ...) and hot keys reach
// the same code.

#include <cstddef>
#include <cstdint>
#include <string>

#include "app/command_line.h"
#include "core/service.h"

namespace lumo {

class main_menu_commands : public service_base {
 public:
  static constexpr guid class_guid{
      0x6fb3a0d8u, 0x5c21, 0x47e9, {0xbd, 0x46, 0x18, 0x7a, 0xe2, 0x0c, 0x93, 0x5f}};
  using parent_class = service_base;
  using service_class = main_menu_commands;

  virtual size_t command_count() const = 0;
  virtual guid command_guid(size_t index) const = 0;
  // The language id of the command's label, or a plain English name when it has none.
  virtual std::string command_label(size_t index) const = 0;
  // Main thread.
  virtual void execute(size_t index) = 0;
  // Whether the menu shows the command with a check mark (a choice in effect). Main
  // thread.
  virtual bool command_checked(size_t index) const {
    (void)index;
    return false;
  }

 protected:
  ~main_menu_commands() = default;
};

// The GUID of one of the program's own commands.
const guid& main_command_guid(main_command command);

// Runs the command with that GUID through the registered groups; false when no group
// has it. Main thread.
bool run_main_menu_command(const guid& command);
// Whether the command with that GUID is checked; false when no group has it.
bool is_main_menu_command_checked(const guid& command);

// Playback connects its transport here; until then the playback commands only say on
// the debug output that there is nothing to control.
using playback_command_handler = void (*)(main_command command);
void set_playback_command_handler(playback_command_handler handler);

}  // namespace lumo
