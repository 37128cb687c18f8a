#include <gtest/gtest.h>

#include "app/app_services.h"
#include "app/app_state.h"
#include "app/close_request.h"
#include "app/instance_messages.h"
#include "app/main_menu_commands.h"
#include "core/background_task.h"
#include "core/debug_output.h"
#include "core/popup_recorder.h"
#include "core/service_registry.h"
#include "core/text_lookup.h"

using namespace lumo;
using namespace std::string_literals;

namespace {

// Stands in for the main window: records what the commands asked of it.
std::vector<std::string> g_ui_calls;
bool g_allow_close = true;

class fake_ui : public user_interface_main {
 public:
  void initialize() override {}
  void create_main_window(bool) override {}
  window_handle main_window() override { return nullptr; }
  void activate() override { g_ui_calls.push_back("activate"); }
  void hide() override { g_ui_calls.push_back("hide"); }
  void open_items(const std::vector<std::string>&) override {}
  bool query_close() override {
    g_ui_calls.push_back("query_close");
    return g_allow_close;
  }
  void shutdown_begins() override {}
  void destroy_main_window() override {}
  void shutdown() override {}
};

// Questions are recorded and answered from a queue, never shown.
singleton_factory<popup_recorder> g_popup_factory{service_factory_base::unlisted_t{}};

std::vector<main_command> g_playback;

void reset_flags() {
  app_state& s = app();
  s.exit_requested = s.shutting_down = false;
  s.restart_requested = s.reset_requested = false;
}

class AppControl : public ::testing::Test {
 protected:
  void SetUp() override {
    std::vector<const service_factory_base*> f;
    for (const service_factory_base* factory : static_factories())
      if (!(factory->class_guid() == popup_message::class_guid)) f.push_back(factory);
    f.push_back(&g_popup_factory);
    services().build(f);
    set_current_user_interface(make_service<fake_ui>());
    g_ui_calls.clear();
    g_allow_close = true;
    popup_recorder::take_recorded();
    reset_flags();
  }
  void TearDown() override {
    set_current_user_interface(nullptr);
    set_playback_command_handler(nullptr);
    services().clear();
    reset_flags();
  }
};

}  // namespace

TEST_F(AppControl, RemoteSwitchCommandsRunByGuid) {
  EXPECT_TRUE(run_main_menu_command(main_command_guid(main_command::hide_window)));
  EXPECT_TRUE(run_main_menu_command(main_command_guid(main_command::show_window)));
  EXPECT_EQ(g_ui_calls, (std::vector<std::string>{"hide", "activate"}));

  set_playback_command_handler([](main_command c) { g_playback.push_back(c); });
  for (auto c : {main_command::play, main_command::pause, main_command::previous,
                 main_command::next, main_command::stop})
    EXPECT_TRUE(run_main_menu_command(main_command_guid(c)));
  EXPECT_EQ(g_playback, (std::vector<main_command>{main_command::play, main_command::pause,
                                                   main_command::previous, main_command::next,
                                                   main_command::stop}));
  EXPECT_FALSE(app().exit_requested);

  EXPECT_TRUE(run_main_menu_command(main_command_guid(main_command::exit)));
  EXPECT_TRUE(app().exit_requested);
  EXPECT_TRUE(app().shutting_down);
  EXPECT_FALSE(app().restart_requested);

  EXPECT_FALSE(run_main_menu_command(guid{1, 2, 3, {4}}));
}

TEST_F(AppControl, CloseRequestModesAndGates) {
  EXPECT_TRUE(app_close_request(close_mode::restart));
  EXPECT_TRUE(app().restart_requested);
  EXPECT_FALSE(app().reset_requested);
  reset_flags();
  EXPECT_TRUE(app_close_request(close_mode::reset_and_restart));
  EXPECT_TRUE(app().restart_requested && app().reset_requested && app().exit_requested);
  reset_flags();

  // An editor with pending changes refuses.
  g_allow_close = false;
  EXPECT_FALSE(app_close_request(close_mode::exit));
  EXPECT_FALSE(app().exit_requested);
  g_allow_close = true;

  // Running tasks: asked once, names counted, "No" keeps the program running, and so
  // does a question nobody can answer.
  auto a = task_registry::add("Scanning");
  auto b = task_registry::add("Converting");
  auto c = task_registry::add("Scanning");
  popup_recorder::queue_answers({false});
  EXPECT_FALSE(app_close_request(close_mode::exit));
  EXPECT_FALSE(app_close_request(close_mode::exit));
  auto asked = popup_recorder::take_recorded();
  ASSERT_EQ(asked.size(), 2u);
  EXPECT_EQ(asked[0].title, lookup_text("dialog_appclose_caption"));
  EXPECT_EQ(asked[0].message, lookup_text("dialog_appclose_header") +
                                  "\nScanning (2)\nConverting\n\n" +
                                  lookup_text("dialog_appclose_notice"));
  EXPECT_EQ(asked[0].question, popup_buttons::yes_no);
  EXPECT_EQ(asked[0].icon, popup_icon::information);
  EXPECT_FALSE(app().exit_requested);
  popup_recorder::queue_answers({true});
  EXPECT_TRUE(app_close_request(close_mode::exit));
  EXPECT_TRUE(app().exit_requested);
  EXPECT_EQ(popup_recorder::take_recorded().size(), 1u);
  for (auto id : {a, b, c}) task_registry::remove(id);
}

TEST(ForwardedCommandLines, OnlyWellFormedEntriesAreActedOnInOrder) {
  const std::string payload = encode_forwarded_command_line("lumo /next", "C:\\Music");
  EXPECT_EQ(payload, "lumo /next\0C:\\Music\0"s);
  auto line = decode_forwarded_command_line(1, payload);
  ASSERT_TRUE(line);
  EXPECT_EQ(line->command_line, "lumo /next");
  EXPECT_EQ(line->current_directory, "C:\\Music");

  EXPECT_FALSE(decode_forwarded_command_line(2, payload));
  EXPECT_FALSE(decode_forwarded_command_line(1, "lumo\0"s));
  EXPECT_FALSE(decode_forwarded_command_line(1, "a\0b\0c\0"s));
  // Whatever follows the second zero byte is not part of either text.
  line = decode_forwarded_command_line(1, "a\0\0b"s);
  ASSERT_TRUE(line);
  EXPECT_EQ(line->command_line, "a");
  EXPECT_EQ(line->current_directory, "");
  EXPECT_TRUE(decode_forwarded_command_line(1, "\0\0"s));

  forwarded_queue q;
  q.push(1, encode_forwarded_command_line("first", "d"));
  q.push(7, encode_forwarded_command_line("ignored", "d"));
  q.push(1, encode_forwarded_command_line("second", "d"));
  std::vector<std::string> seen;
  q.drain([&](const forwarded_command_line& l) {
    seen.push_back(l.command_line);
    // What arrives while acting is taken in the same drain, after the rest.
    if (l.command_line == "first") q.push(1, encode_forwarded_command_line("third", "d"));
  });
  EXPECT_EQ(seen, (std::vector<std::string>{"first", "second", "third"}));
  EXPECT_EQ(q.size(), 0u);
}
