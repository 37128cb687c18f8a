#include "app/main_menu_commands.h"

#include <array>

#include "app/app_services.h"
#include "app/close_request.h"
#include "app/engine_playback.h"
#include "core/debug_output.h"
#include "core/internal_error.h"
#include "core/service_registry.h"

namespace lumo {

namespace {

struct command_entry {
  main_command command;
  guid id;
  const char* label;
  const char* name;  // for the debug output
};

constexpr std::array<command_entry, 10> g_commands{{
    {main_command::play,
     {0x1c0f7a52u, 0x8e34, 0x4d61, {0xa9, 0x05, 0x3b, 0xd7, 0x62, 0xe1, 0x4f, 0x80}},
     "menu_play",
     "Play"},
    {main_command::pause,
     {0x2d1e8b63u, 0x9f45, 0x4e72, {0xba, 0x16, 0x4c, 0xe8, 0x73, 0xf2, 0x50, 0x91}},
     "menu_pause",
     "Pause"},
    {main_command::previous,
     {0x3e2f9c74u, 0xa056, 0x4f83, {0xcb, 0x27, 0x5d, 0xf9, 0x84, 0x03, 0x61, 0xa2}},
     "menu_play_prev",
     "Previous"},
    {main_command::next,
     {0x4f30ad85u, 0xb167, 0x4094, {0xdc, 0x38, 0x6e, 0x0a, 0x95, 0x14, 0x72, 0xb3}},
     "menu_play_next",
     "Next"},
    {main_command::stop,
     {0x5041be96u, 0xc278, 0x41a5, {0xed, 0x49, 0x7f, 0x1b, 0xa6, 0x25, 0x83, 0xc4}},
     "menu_stop",
     "Stop"},
    {main_command::exit,
     {0x6152cfa7u, 0xd389, 0x42b6, {0xfe, 0x5a, 0x80, 0x2c, 0xb7, 0x36, 0x94, 0xd5}},
     "menu_exit",
     "Exit"},
    {main_command::show_window,
     {0x7263d0b8u, 0xe49a, 0x43c7, {0x0f, 0x6b, 0x91, 0x3d, 0xc8, 0x47, 0xa5, 0xe6}},
     "Show window",
     "Show window"},
    {main_command::hide_window,
     {0x8374e1c9u, 0xf5ab, 0x44d8, {0x10, 0x7c, 0xa2, 0x4e, 0xd9, 0x58, 0xb6, 0xf7}},
     "Hide window",
     "Hide window"},
    {main_command::fast_forward,
     {0x9485f2dau, 0x06bc, 0x45e9, {0x21, 0x8d, 0xb3, 0x5f, 0xea, 0x69, 0xc7, 0x08}},
     "ui_fastforward",
     "Fast forward"},
    {main_command::rewind,
     {0xa59603ebu, 0x17cd, 0x46fa, {0x32, 0x9e, 0xc4, 0x60, 0xfb, 0x7a, 0xd8, 0x19}},
     "ui_rewind",
     "Rewind"},
}};

playback_command_handler g_playback_handler = nullptr;

// The program's own group: transport, exit, and showing or hiding the main window.
class app_main_menu_commands : public main_menu_commands {
 public:
  size_t command_count() const override { return g_commands.size(); }
  guid command_guid(size_t index) const override { return g_commands.at(index).id; }
  std::string command_label(size_t index) const override { return g_commands.at(index).label; }

  void execute(size_t index) override {
    const command_entry& e = g_commands.at(index);
    debug_output(std::string("Main-menu command: ") + e.name + "\n");
    switch (e.command) {
      case main_command::exit: app_close_request(close_mode::exit); return;
      case main_command::show_window:
        if (auto ui = current_user_interface()) ui->activate();
        return;
      case main_command::hide_window:
        if (auto ui = current_user_interface()) ui->hide();
        return;
      // Seeks within the playing track, straight to the engine.
      case main_command::fast_forward:
      case main_command::rewind:
        if (engine_playback* p = engine_playback::current())
          p->seek_by(e.command == main_command::fast_forward ? playback_seek_step_seconds
                                                             : -playback_seek_step_seconds);
        else
          debug_output("No playback to control\n");
        return;
      default:
        if (g_playback_handler)
          g_playback_handler(e.command);
        else
          debug_output("No playback to control\n");
        return;
    }
  }
};

LUMO_REGISTER_SINGLETON_SERVICE(app_main_menu_commands);

}  // namespace

const guid& main_command_guid(main_command command) {
  for (const command_entry& e : g_commands)
    if (e.command == command) return e.id;
  internal_error_crash("unknown main-menu command");
}

bool run_main_menu_command(const guid& command) {
  for (service_ptr<main_menu_commands> group : enumerate_services<main_menu_commands>()) {
    for (size_t i = 0, n = group->command_count(); i < n; ++i) {
      if (group->command_guid(i) == command) {
        group->execute(i);
        return true;
      }
    }
  }
  return false;
}

void set_playback_command_handler(playback_command_handler handler) {
  g_playback_handler = handler;
}

}  // namespace lumo
