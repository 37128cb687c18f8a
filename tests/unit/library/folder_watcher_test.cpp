// Watchers on real folders. Changes are made at the top level of the watched folder
// only: Wine's ReadDirectoryChangesW does not report changes in subfolders (nested
// changes are tested natively in folder_watcher_nested_test_posix.cpp).
#include "library/folder_watcher.h"

#include <gtest/gtest.h>

#include "library_test_support.h"

namespace lumo::testing {
namespace {

TEST(FolderWatcher, MonitoringReportsTopLevelChanges) {
  test_folder dir;
  write_whole_file(dir / "a.wav", make_wav({"First", "Artist", "Album, CD 2", "4/9"}));
  write_whole_file(dir / "notes.txt", "not audio");
  change_sink sink;
  auto w = make_watcher(root_of(dir), sink);
  w->start(0);
  const std::string a = join_path(root_of(dir), "a.wav");
  ASSERT_TRUE(wait_until([&] { return sink.has(a); }));
  EXPECT_EQ(sink.present.size(), 1u);  // the text file has no tracks
  cached_summary s = get_track_handle({a, 0})->summary();
  ASSERT_TRUE(s.summary);
  EXPECT_EQ(s.summary->column(summary_column::album), "Album");
  EXPECT_EQ(s.summary->column(summary_column::discnumber), "2");
  EXPECT_EQ(s.summary->column(summary_column::tracknumber), "4");

  // Added while monitoring.
  const std::string b = join_path(root_of(dir), "b.wav");
  write_whole_file(b, make_wav({"Second", "", "", ""}));
  ASSERT_TRUE(wait_until([&] { return sink.has(b); }));
  EXPECT_EQ(sink.title_of(b), "Second");

  // Modified: same handle, new summary, reported as modified.
  track_handle_ptr a_handle = get_track_handle({a, 0});
  write_whole_file(a, make_wav({"First, again", "Artist", "Album", "4"}));
  ASSERT_TRUE(wait_until([&] { return sink.title_of(a) == "First, again"; }));
  ASSERT_TRUE(wait_until([&] {
    return std::find(sink.all_modified.begin(), sink.all_modified.end(), a_handle) !=
           sink.all_modified.end();
  }));

  // Renamed: the track moves to its new location with the summary already read.
  const std::string c = join_path(root_of(dir), "c.wav");
  rename_path(b, c);
  ASSERT_TRUE(wait_until([&] { return sink.has(c) && !sink.has(b); }));
  EXPECT_EQ(sink.title_of(c), "Second");

  // Removed.
  remove_path(a);
  ASSERT_TRUE(wait_until([&] { return !sink.has(a); }));
  EXPECT_EQ(sink.present.size(), 1u);
  w->stop();
  EXPECT_EQ(w->file_count(), 2u);  // c.wav and notes.txt
}

TEST(FolderWatcher, DeletedAndRecreatedFileIsNotRemoved) {
  test_folder dir;
  const std::string a = join_path(root_of(dir), "a.wav");
  write_whole_file(a, make_wav({"Old", "", "", ""}));
  change_sink sink;
  auto w = make_watcher(root_of(dir), sink);
  w->start(folder_mode_no_monitoring);  // one refresh: the thread ends when done
  ASSERT_TRUE(wait_until([&] { return !w->is_running(); }));
  run_pending(drain::until_empty);
  ASSERT_TRUE(sink.has(a));

  // Both records arrive after both changes happened: the removal is stale.
  remove_path(a);
  write_whole_file(a, make_wav({"New", "", "", ""}));
  w->process_change_records({{change_action::removed, "a.wav"}, {change_action::added, "a.wav"}});
  w->process_pending_work();
  run_pending(drain::until_empty);
  EXPECT_TRUE(sink.all_removed.empty());
  EXPECT_TRUE(sink.has(a));
  EXPECT_EQ(sink.title_of(a), "New");

  // A removal record for a file that is really gone removes it.
  remove_path(a);
  w->process_change_records({{change_action::removed, "a.wav"}});
  w->process_pending_work();
  run_pending(drain::until_empty);
  EXPECT_FALSE(sink.has(a));
}

TEST(FolderWatcher, ModesWithoutMonitoring) {
  test_folder dir;
  write_whole_file(dir / "a.wav", make_wav({"A", "", "", ""}));
  write_whole_file(dir / "b.WAV", make_wav({"B", "", "", ""}));
  write_whole_file(dir / "c.tmp", make_wav({"C", "", "", ""}));  // temporary: not read
  change_sink sink;
  auto w = make_watcher(root_of(dir), sink);
  w->start(folder_mode_no_monitoring);
  ASSERT_TRUE(wait_until([&] { return !w->is_running(); }));
  run_pending(drain::until_empty);
  EXPECT_EQ(sink.present.size(), 2u);
  EXPECT_FALSE(w->is_indexing());

  // Restarted with both bits set: nothing at all happens, the tree stays.
  write_whole_file(dir / "d.wav", make_wav({"D", "", "", ""}));
  w->set_mode_flags(folder_mode_no_monitoring | folder_mode_skip_scan);
  ASSERT_TRUE(wait_until([&] { return !w->is_running(); }));
  run_pending(drain::until_empty);
  EXPECT_EQ(sink.present.size(), 2u);
  EXPECT_EQ(w->file_count(), 3u);

  // One more refresh finds the new file.
  w->set_mode_flags(folder_mode_no_monitoring);
  ASSERT_TRUE(wait_until([&] { return !w->is_running(); }));
  run_pending(drain::until_empty);
  EXPECT_EQ(sink.present.size(), 3u);
}

}  // namespace
}  // namespace lumo::testing
