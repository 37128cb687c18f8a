#pragma once
// The service classes through which other modules take part in start-up, the command
// line and the main loop.

#include <string>
#include <string_view>
#include <vector>

#include "core/modal_scope.h"
#include "core/service.h"

namespace lumo {

// Command-line switches. Asked in registry order until one answers non-zero.
class switch_handler : public service_base {
 public:
  static constexpr guid class_guid{
      0x5e81c2a4u, 0x3b7d, 0x4f19, {0x8a, 0x60, 0xd2, 0x4e, 0x97, 0x1c, 0x05, 0xb3}};
  using parent_class = service_base;
  using service_class = switch_handler;

  enum answer : int { not_mine = 0, handled = 1, handled_takes_files = 2 };
  virtual int on_token(std::string_view token) = 0;
  // One file argument (a canonical URL) while this handler is current.
  virtual void on_file(std::string_view url) = 0;
  // The run of file arguments for this handler has ended.
  virtual void on_files_done() = 0;

 protected:
  ~switch_handler() = default;
};

// Told once the program is up (after the command line) and when it quits.
class lifecycle_listener : public service_base {
 public:
  static constexpr guid class_guid{
      0x0b4f7e12u, 0x9c35, 0x4a6d, {0xb8, 0x21, 0x6f, 0xe0, 0x3a, 0x59, 0xc7, 0x84}};
  using parent_class = service_base;
  using service_class = lifecycle_listener;

  virtual void on_start() = 0;
  virtual void on_quit() = 0;

 protected:
  ~lifecycle_listener() = default;
};

// Runs when the main loop finds no message waiting after having handled some.
class idle_handler : public service_base {
 public:
  static constexpr guid class_guid{
      0xc7a2d915u, 0x64e0, 0x4b8f, {0x91, 0x3c, 0x2d, 0x58, 0xfa, 0x06, 0xe1, 0x7b}};
  using parent_class = service_base;
  using service_class = idle_handler;

  virtual void on_idle() = 0;

 protected:
  ~idle_handler() = default;
};

// Sees every message of the main loop before it is translated and dispatched.
class message_filter : public service_base {
 public:
  static constexpr guid class_guid{
      0x93d1f4b0u, 0x2a6c, 0x4e57, {0xa4, 0x0d, 0x5b, 0x82, 0xc6, 0x1f, 0x39, 0xe2}};
  using parent_class = service_base;
  using service_class = message_filter;

  // msg is the MSG of the loop (Windows); true when consumed. The filter may change it.
  virtual bool filter(void* msg) = 0;

 protected:
  ~message_filter() = default;
};

// The user-interface module: owns the main window. Start-up asks the registered one for
// user_interface_main, initialises it and keeps it for the whole run.
class user_interface : public service_base {
 public:
  static constexpr guid class_guid{
      0x4d06b8e3u, 0x71fa, 0x4c2e, {0x9b, 0x57, 0x08, 0xad, 0x3e, 0x64, 0x92, 0xd1}};
  using parent_class = service_base;
  using service_class = user_interface;

 protected:
  ~user_interface() = default;
};

class user_interface_main : public user_interface {
 public:
  static constexpr guid class_guid{
      0xa81e3c60u, 0x0d97, 0x4b25, {0x86, 0xf4, 0x71, 0x2b, 0xc9, 0x5e, 0x0a, 0x38}};
  using parent_class = user_interface;

  virtual void initialize() = 0;
  // Throws when the window cannot be made.
  virtual void create_main_window(bool start_hidden) = 0;
  virtual window_handle main_window() = 0;
  // Shows, restores and brings the main window to the front.
  virtual void activate() = 0;
  virtual void hide() = 0;
  // Items from the command line, to open and play.
  virtual void open_items(const std::vector<std::string>& urls) = 0;
  // The editors' gate before closing (pending edits); false refuses the close.
  virtual bool query_close() = 0;
  virtual void shutdown_begins() = 0;
  virtual void destroy_main_window() = 0;
  virtual void shutdown() = 0;

 protected:
  ~user_interface_main() = default;
};

// The user-interface module's main interface, or empty before start-up chose it and
// after shutdown released it.
service_ptr<user_interface_main> current_user_interface();
void set_current_user_interface(service_ptr<user_interface_main> ui);

}  // namespace lumo
