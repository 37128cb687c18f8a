#pragma once
// The main window as start-up sees it: make it, show or hide it, hand it files, save its
// state, take it down. The window itself is main_window_win32.cpp; these calls are for
// the main thread only.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/library_browser.h"
#include "ui/playback_port.h"

namespace lumo {

// What the window asks of the program around it.
struct main_window_hooks {
  std::function<void(int mode)> close_request;  // 0 exit, 1 restart, 2 reset and restart
  std::function<void()> save_configuration;
};

enum class transport_command { play, pause, stop, next, previous };

void main_window_register_classes();
void main_window_unregister_classes();

// Connects the library views and the playback service. Until they are set the window
// browses the files it is handed and keeps an engineless queue.
void main_window_set_browser(std::unique_ptr<library_browser> browser);
void main_window_set_playback(std::unique_ptr<playback_port> playback);

// Throws when the window cannot be made.
void main_window_create(bool start_hidden, main_window_hooks hooks);
void* main_window_handle();  // the HWND, or null
void main_window_activate();
void main_window_hide();
// Files from the command line, a second launch or a drop: listed and played at once.
void main_window_open_items(const std::vector<std::string>& urls);
void main_window_transport(transport_command command);
// Records the placement and the navigation path in their settings (before saving).
void main_window_save_state();
void main_window_destroy();

}  // namespace lumo
