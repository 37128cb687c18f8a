#include "library/media_library.h"

#include <gtest/gtest.h>

#include "core/popup_recorder.h"
#include "core/service_registry.h"
#include "fs/file_system.h"
#include "library/library_settings.h"
#include "library_test_support.h"

namespace lumo::testing {
namespace {

struct recorder final : library_callback {
  std::vector<std::string> events;  // "added 3", "removed 1", "indexing 1", ...
  size_t present = 0;
  void on_items_added(const std::vector<track_handle_ptr>& items) override {
    EXPECT_FALSE(items.empty());
    present += items.size();
    events.push_back("added " + std::to_string(items.size()));
  }
  void on_items_removed(const std::vector<track_handle_ptr>& items) override {
    EXPECT_FALSE(items.empty());
    present -= items.size();
    events.push_back("removed " + std::to_string(items.size()));
  }
  void on_items_modified(const std::vector<track_handle_ptr>& items) override {
    EXPECT_FALSE(items.empty());
    events.push_back("modified " + std::to_string(items.size()));
  }
  void on_indexing_changed(bool on) override { events.push_back(on ? "indexing" : "idle"); }
};

std::vector<std::string> no_windows_folders() {
  return {};
}

// Questions are recorded and answered from a queue, never shown.
singleton_factory<popup_recorder> g_popup_factory{service_factory_base::unlisted_t{}};

class MediaLibrary : public ::testing::Test {
 protected:
  void SetUp() override {
    set_library_include_windows_folders(true);
    set_library_monitor_folders(true);
    set_library_additional_folders({native_path(root_of(music))});
    std::vector<const service_factory_base*> f;
    for (const service_factory_base* factory : static_factories())
      if (!(factory->class_guid() == popup_message::class_guid)) f.push_back(factory);
    f.push_back(&g_popup_factory);
    services().build(f);
    popup_recorder::take_recorded();
  }
  void TearDown() override {
    media_library::get().unregister_callback(&calls);
    media_library::get().configure({});
    set_library_additional_folders({});
    set_library_monitor_folders(true);
    services().clear();
  }
  void configure(std::string profile) {
    media_library_options o;
    o.profile_folder = std::move(profile);
    o.windows_folders = &no_windows_folders;
    media_library::get().configure(std::move(o));
  }
  std::string db_url() { return profile / "database.dat"; }

  test_folder profile, music;
  recorder calls;
};

TEST_F(MediaLibrary, ScansSavesAndRestoresWithoutReadingFiles) {
  write_whole_file(music / "a.wav", make_wav({"A", "X", "", "1"}));
  write_whole_file(music / "b.aif", "not really audio");
  make_directory(music / "sub");
  write_whole_file(join_path(music / "sub", "c.wav"), make_wav({"C", "Y", "", "2"}));
  configure(native_path(root_of(profile)));
  media_library& lib = media_library::get();
  lib.register_callback(&calls);  // loads the library
  ASSERT_TRUE(wait_until([&] { return lib.get_all().size() == 2 && !lib.is_indexing(); }));
  EXPECT_EQ(calls.present, 2u);
  // The indexing state may change before the first batch arrives or not at all (a fast
  // scan is over before the main thread recomputes it); it always ends idle.
  auto indexing = std::find(calls.events.begin(), calls.events.end(), "indexing");
  if (indexing != calls.events.end()) {
    EXPECT_EQ(calls.events.back(), "idle");
  }
  EXPECT_TRUE(lib.is_in_library(get_track_handle({join_path(root_of(music), "a.wav"), 0})));
  EXPECT_FALSE(lib.is_in_library(get_track_handle({join_path(root_of(music), "b.aif"), 0})));

  lib.save(false);
  EXPECT_TRUE(popup_recorder::recorded().empty());
  ASSERT_TRUE(find_file_system(db_url()).exists(db_url()));
  calls.events.clear();
  lib.clear();
  EXPECT_EQ(calls.events, std::vector<std::string>{"removed 2"});
  EXPECT_EQ(calls.present, 0u);

  // Monitoring off: the next start restores the tracks from the file alone, even though
  // the files are gone now.
  remove_path(music / "a.wav");
  remove_path(join_path(music / "sub", "c.wav"));
  set_library_monitor_folders(false);
  configure(native_path(root_of(profile)));
  calls.events.clear();
  lib.open();  // restored synchronously; the callback stays registered across clearing
  EXPECT_EQ(calls.events, std::vector<std::string>{"added 2"});
  std::vector<track_handle_ptr> all = lib.get_all();
  ASSERT_EQ(all.size(), 2u);
  for (const track_handle_ptr& h : all) {
    cached_summary s = h->summary();
    ASSERT_TRUE(s.summary);
    EXPECT_TRUE(s.summary->column(summary_column::title) == "A" ||
                s.summary->column(summary_column::title) == "C");
  }
  EXPECT_FALSE(lib.is_scan_offered() == lib.is_monitoring());

  // "Refresh music folders now": one rescan finds the files gone.
  lib.scan_now();
  ASSERT_TRUE(wait_until([&] {
    folder_watcher* w = lib.find_watcher(native_path(root_of(music)));
    return lib.get_all().empty() && w && !w->is_running();
  }));
  EXPECT_EQ(calls.present, 0u) << ::testing::PrintToString(calls.events);
}

TEST_F(MediaLibrary, FoldersLeavingTheListAreDroppedAndNotWrittenAgain) {
  test_folder second;
  write_whole_file(second / "s.wav", make_wav({"S", "", "", ""}));
  set_library_additional_folders({native_path(root_of(music)), native_path(root_of(second))});
  set_library_monitor_folders(false);
  configure(native_path(root_of(profile)));
  media_library& lib = media_library::get();
  lib.register_callback(&calls);
  lib.scan_now();
  ASSERT_TRUE(wait_until([&] { return lib.get_all().size() == 1; }));
  EXPECT_EQ(lib.folder_keys().size(), 2u);
  lib.save(true);
  lib.clear();

  // The second folder is no longer wanted: its record is read, not scanned, not kept.
  set_library_additional_folders({native_path(root_of(music))});
  configure(native_path(root_of(profile)));
  EXPECT_EQ(lib.get_all().size(), 0u);
  EXPECT_EQ(lib.folder_keys(), std::vector<std::string>{native_path(root_of(music))});
  lib.save(false);
  auto bytes = std::make_shared<std::vector<uint8_t>>();
  std::string content = read_whole_file(db_url());
  bytes->assign(content.begin(), content.end());
  auto windows = read_database_windows(bytes);
  ASSERT_EQ(windows.size(), 1u);
  EXPECT_EQ(windows.begin()->first, native_path(root_of(music)));

  // Adding it back while loaded: synchronising starts its watcher.
  set_library_additional_folders({native_path(root_of(music)), native_path(root_of(second))});
  lib.synchronize_folders();
  lib.scan_now();
  ASSERT_TRUE(wait_until([&] { return lib.get_all().size() == 1; }));
}

TEST_F(MediaLibrary, LoadsAheadOnAWorker) {
  test_folder second;
  write_whole_file(music / "a.wav", make_wav({"A", "X", "", "1"}));
  write_whole_file(music / "b.wav", make_wav({"B", "X", "", "2"}));
  set_library_monitor_folders(false);
  configure(native_path(root_of(profile)));
  media_library& lib = media_library::get();
  lib.scan_now();
  ASSERT_TRUE(wait_until([&] { return lib.get_all().size() == 2; }));
  lib.save(false);

  // The folder list is there before the load, and reading it does not load.
  configure(native_path(root_of(profile)));
  lib.begin_loading();
  EXPECT_EQ(lib.folder_roots(), std::vector<std::string>{root_of(music)});
  EXPECT_FALSE(lib.is_loaded());
  // The first use takes the worker's result: every track, once, from the file.
  calls.events.clear();
  lib.register_callback(&calls);
  EXPECT_TRUE(lib.is_loaded());
  EXPECT_EQ(calls.events, std::vector<std::string>{});  // loaded before registering
  EXPECT_EQ(lib.get_all().size(), 2u);
  lib.begin_loading();  // loaded: nothing more happens
  ASSERT_TRUE(wait_until([&] { return lib.get_all().size() == 2; }));

  // Nobody asks: the main-thread queue finishes the load.
  configure(native_path(root_of(profile)));
  calls.events.clear();
  lib.begin_loading();
  ASSERT_TRUE(wait_until([&] { return lib.is_loaded(); }));
  EXPECT_EQ(calls.events, std::vector<std::string>{"added 2"});

  // Cleared while loading: the worker's result is dropped and its note ignored.
  configure(native_path(root_of(profile)));
  lib.begin_loading();
  configure(native_path(root_of(profile)));
  EXPECT_FALSE(wait_until([&] { return lib.is_loaded(); }, std::chrono::milliseconds(300)));

  // A damaged state of a folder that has left the list does not matter; one of a
  // wanted folder fails the load, which leaves the library empty and unloaded.
  {
    file_ptr f = open_file(db_url(), open_mode::write_new, abort_none());
    write_database(*f,
                   {{native_path(root_of(music)), [] { return std::string(40, '\x7f'); }},
                    {native_path(root_of(second)), [] { return std::string(40, '\x7f'); }}},
                   abort_none());
  }
  set_library_additional_folders({native_path(root_of(second))});
  configure(native_path(root_of(profile)));
  lib.begin_loading();
  EXPECT_THROW(lib.get_all(), sonatrix_io::exception_io_data);
  EXPECT_FALSE(lib.is_loaded());
  set_library_additional_folders({});
  configure(native_path(root_of(profile)));
  lib.begin_loading();
  EXPECT_TRUE(lib.get_all().empty());
  EXPECT_TRUE(lib.is_loaded());
}

TEST_F(MediaLibrary, LoadFailureClearsAndWriteFailureAsks) {
  write_whole_file(db_url(), "definitely not a library file");
  configure(native_path(root_of(profile)));
  media_library& lib = media_library::get();
  EXPECT_THROW(lib.get_all(), sonatrix_io::exception_io_data);
  EXPECT_FALSE(lib.is_loaded());
  // The damaged file is left alone: nothing is written while not loaded.
  lib.save(false);
  EXPECT_EQ(read_whole_file(db_url()), "definitely not a library file");

  // A profile folder that does not exist: the silent writer says nothing, the replacing
  // writer asks, and Retry writes again.
  configure(native_path(join_path(root_of(profile), "missing")));
  lib.save(true);
  EXPECT_TRUE(popup_recorder::recorded().empty());
  popup_recorder::queue_answers({true, false});
  lib.save(false);
  auto asked = popup_recorder::take_recorded();
  ASSERT_EQ(asked.size(), 2u);
  EXPECT_EQ(asked[0].title, "Error writing library file");
  EXPECT_EQ(asked[0].question, popup_buttons::retry_cancel);
  EXPECT_EQ(asked[0].icon, popup_icon::warning);
  EXPECT_TRUE(asked[0].message.starts_with("Library file could not be written ("));
  EXPECT_TRUE(asked[0].message.ends_with(
      ").\nIf you choose 'cancel', your recent library changes will be lost."));
  EXPECT_EQ(asked[1].message, asked[0].message);
  // Nobody to ask: Cancel, once.
  lib.save(false);
  EXPECT_EQ(popup_recorder::take_recorded().size(), 1u);

  // Monitoring toggles the setting; the scan command is offered only without it.
  bool before = lib.is_monitoring();
  lib.toggle_monitoring();
  EXPECT_NE(lib.is_monitoring(), before);
  EXPECT_EQ(lib.is_scan_offered(), !lib.is_monitoring());
}

}  // namespace
}  // namespace lumo::testing
