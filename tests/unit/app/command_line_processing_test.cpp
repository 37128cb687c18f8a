#include "app/command_line_processing.h"

#include <gtest/gtest.h>

#include "app/app_services.h"
#include "core/popup_recorder.h"
#include "core/service_registry.h"
#include "fs/native_fs.h"
#include "test_folder.h"

using namespace lumo;
using lumo::testing::test_folder;
using lumo::testing::write_whole_file;
using strings = std::vector<std::string>;

namespace {

// Records what the command line gave it; "/take" claims the files that follow.
strings g_calls;

class recording_handler : public switch_handler {
 public:
  int on_token(std::string_view token) override {
    g_calls.push_back("token " + std::string(token));
    if (token == "/take") return handled_takes_files;
    if (token == "/mine") return handled;
    return not_mine;
  }
  void on_file(std::string_view url) override { g_calls.push_back("file " + std::string(url)); }
  void on_files_done() override { g_calls.push_back("done"); }
};

singleton_factory<recording_handler> g_recording_factory{service_factory_base::unlisted_t{}};
// Popups are recorded, never shown: a message box would wait for a click.
singleton_factory<popup_recorder> g_popup_factory{service_factory_base::unlisted_t{}};

std::string native(const std::string& url) {
  return url.substr(7);
}

class CommandLineProcessing : public ::testing::Test {
 protected:
  void SetUp() override {
    std::vector<const service_factory_base*> f;
    for (const service_factory_base* factory : static_factories())
      if (!(factory->class_guid() == popup_message::class_guid)) f.push_back(factory);
    f.push_back(&g_recording_factory);
    f.push_back(&g_popup_factory);
    services().build(f);
    g_calls.clear();
    popup_recorder::take_recorded();
  }
  void TearDown() override { services().clear(); }
};

}  // namespace

TEST_F(CommandLineProcessing, SwitchesReachHandlersAndUnknownOnesAreReported) {
  command_line_outcome o =
      run_command_line("lumo /mine -play /QUIET /quiet /MakeReadOnly -quiet", "/");
  EXPECT_TRUE(o.no_path_argument);
  EXPECT_FALSE(o.bare);
  // "/quiet" is skipped in any case; the built-in switches match only their slash forms.
  EXPECT_EQ(g_calls, (strings{"token /mine", "token -play", "token -quiet"}));
  auto popups = popup_recorder::take_recorded();
  ASSERT_EQ(popups.size(), 2u);
  EXPECT_EQ(popups[0].message, "unknown commandline parameter: -play");
  EXPECT_EQ(popups[0].title, "Error");
  EXPECT_EQ(popups[0].icon, popup_icon::error);
  EXPECT_EQ(popups[1].message, "unknown commandline parameter: -quiet");

  // Help asks every handler but reports nothing, even when one would answer.
  g_calls.clear();
  run_command_line("lumo /HELP /? /Help /mine", "/");
  EXPECT_EQ(g_calls, (strings{"token /HELP", "token /?", "token /Help", "token /mine"}));
  EXPECT_TRUE(popup_recorder::take_recorded().empty());

  // Started without a user interface, the complaint goes to the debug output only.
  set_popups_quiet(true);
  run_command_line("lumo -x", "/");
  set_popups_quiet(false);
  EXPECT_TRUE(popup_recorder::take_recorded().empty());

  EXPECT_TRUE(run_command_line("lumo", "/").bare);
  EXPECT_TRUE(run_command_line("lumo \"\"", "/").no_path_argument);
}

TEST_F(CommandLineProcessing, FilesGoToTheCurrentHandlerUntilTheNextSwitch) {
  test_folder dir;
  write_whole_file(dir / "a.wav", "x");
  command_line_outcome o =
      run_command_line("lumo /take a.wav http://radio/stream /mine a.wav", native(dir.url()));
  EXPECT_FALSE(o.no_path_argument);
  const std::string a = dir / "a.wav";
  EXPECT_EQ(g_calls, (strings{"token /take", "file " + a, "file http://radio/stream", "done",
                              "token /mine"}));
  EXPECT_EQ(o.items, strings{a});

  // The value after "/lang" belongs to the built-in handler, which drops it.
  o = run_command_line("lumo /lang 1033 a.wav", native(dir.url()));
  EXPECT_EQ(o.items, strings{});
  EXPECT_TRUE(popup_recorder::take_recorded().empty());
}

TEST_F(CommandLineProcessing, PathsExpandToFoldersAndWildcards) {
  test_folder dir;
  const std::string base = native(dir.url());
  // Names below the folder, written with "/" and spelled with the platform's separator.
  auto rel = [](std::string name) {
    for (char& c : name)
      if (c == '/') c = native_fs::path_separator();
    return name;
  };
  auto url = [&](const std::string& name) { return dir / rel(name); };
  native_fs::create_directory(base + rel("Album"));
  native_fs::create_directory(base + rel("Album/CD2"));
  native_fs::create_directory(base + rel("Album/.hidden"));
  write_whole_file(url("Album/02.flac"), "x");
  write_whole_file(url("Album/01.flac"), "x");
  write_whole_file(url("Album/cover.jpg"), "x");
  write_whole_file(url("Album/CD2/01.flac"), "x");
  write_whole_file(url("Album/.hidden/x.flac"), "x");

  // A folder: every file below it, sorted, dot-folders left out; a trailing separator
  // makes no difference.
  const strings album{url("Album/01.flac"), url("Album/02.flac"), url("Album/CD2/01.flac"),
                      url("Album/cover.jpg")};
  EXPECT_EQ(expand_path_argument("Album", base), album);
  EXPECT_EQ(expand_path_argument(base + rel("Album/"), base + "elsewhere"), album);

  // A pattern: matching files directly, matching folders recursively.
  EXPECT_EQ(expand_path_argument(rel("Album/*.FLAC"), base),
            (strings{url("Album/01.flac"), url("Album/02.flac")}));
  EXPECT_EQ(expand_path_argument(rel("Album/C?2"), base), strings{url("Album/CD2/01.flac")});
  EXPECT_EQ(expand_path_argument(rel("Missing/*.flac"), base), strings{});

  // Anything else is taken as written, made absolute; URLs are never touched.
  EXPECT_EQ(expand_path_argument(rel("Album/../new.mp3"), base), strings{url("new.mp3")});
  EXPECT_EQ(expand_path_argument("https://host/a b.mp3", base), strings{"https://host/a b.mp3"});

  // A whole folder counts as one path argument and yields all its files as items.
  command_line_outcome o = run_command_line("lumo Album", base);
  EXPECT_EQ(o.items, album);
}

TEST(Wildcards, MatchLikeTheShell) {
  EXPECT_TRUE(wildcard_match("*.mp3", "Song.MP3"));
  EXPECT_TRUE(wildcard_match("*", ""));
  EXPECT_TRUE(wildcard_match("a*b*c", "aXXbYbZc"));
  EXPECT_FALSE(wildcard_match("a*b*c", "aXXbYbZ"));
  EXPECT_TRUE(wildcard_match("??.flac", "01.flac"));
  EXPECT_FALSE(wildcard_match("?.flac", "01.flac"));
  // "?" is one character, not one byte; case folding covers non-ASCII letters.
  EXPECT_TRUE(wildcard_match("caf?.ogg", "café.ogg"));
  EXPECT_TRUE(wildcard_match("ÉTÉ*", "été 1999.wav"));
  EXPECT_FALSE(wildcard_match("", "x"));
}
