// The paths of a watcher that cannot rely on change records, through a stand-in for the
// system's change watch and a test clock: folders the system cannot monitor are polled
// with the spacing rule, and an overflowed change buffer means a full rescan.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "library/folder_watcher.h"
#include "library_test_support.h"

namespace lumo::testing {
namespace {

// The test clock: g_now, except that the call numbered g_jump_call after the watch was
// opened first moves it on by g_jump_ms. Polling measures its first scan between its
// first and second reading of the clock, so that scan seems to take g_jump_ms.
std::atomic<uint64_t> g_now{1'000'000};
std::atomic<int> g_calls{0};
std::atomic<int> g_jump_call{0};
std::atomic<uint64_t> g_jump_ms{0};
std::atomic<uint32_t> g_unsupported_code{50};

uint64_t test_clock() {
  if (++g_calls == g_jump_call) g_now += g_jump_ms;
  return g_now;
}

std::unique_ptr<directory_watch> unsupported_watch(const std::string&) {
  g_calls = 0;
  throw exception_directory_watch_unsupported(g_unsupported_code);
}

// A change watch that reports one overflow (records lost) each time the test asks.
std::atomic<bool> g_overflow{false};

class overflowing_watch final : public directory_watch {
 public:
  watch_wait_result wait(const abort_signal& abort, std::chrono::milliseconds timeout) override {
    if (abort.wait_for(timeout)) return watch_wait_result::aborted;
    return g_overflow.exchange(false) ? watch_wait_result::changes : watch_wait_result::timeout;
  }
  bool take_records(std::vector<change_record>&) override { return false; }
  void restart() override {}
  void check_root() override {}
};

std::unique_ptr<directory_watch> open_overflowing_watch(const std::string&) {
  return std::make_unique<overflowing_watch>();
}

std::unique_ptr<folder_watcher> make_polled_watcher(const std::string& root, change_sink& sink) {
  folder_watcher_options o;
  o.root_url = root;
  o.deliver = [&sink](library_changes c) { sink.apply(std::move(c)); };
  o.clock_ms = &test_clock;
  o.open_watch = &unsupported_watch;
  return std::make_unique<folder_watcher>(std::move(o));
}

// Polls a folder whose first scan seemed to take scan_ms, and checks that a file added
// afterwards is found exactly when the next scan is due.
void expect_next_scan_after(uint32_t code, uint64_t scan_ms, uint64_t spacing_ms) {
  SCOPED_TRACE("error " + std::to_string(code) + ", scan " + std::to_string(scan_ms) + " ms");
  g_unsupported_code = code;
  g_jump_call = 2;
  g_jump_ms = scan_ms;
  test_folder dir;
  const std::string a = join_path(root_of(dir), "a.wav");
  const std::string b = join_path(root_of(dir), "b.wav");
  write_whole_file(a, make_wav({"A", "", "", ""}));
  change_sink sink;
  auto w = make_polled_watcher(root_of(dir), sink);
  w->start(0);
  ASSERT_TRUE(wait_until([&] { return sink.has(a); }));
  EXPECT_TRUE(w->is_polling());
  EXPECT_TRUE(w->is_running());

  // The loop looks once a second; one millisecond early, two looks find nothing due.
  write_whole_file(b, make_wav({"B", "", "", ""}));
  g_now += spacing_ms - 1;
  std::this_thread::sleep_for(std::chrono::milliseconds(2200));
  EXPECT_EQ(w->file_count(), 1u);
  g_now += 1;
  ASSERT_TRUE(wait_until([&] { return w->file_count() == 2; }));
  // Reading the new file is pending work, which waits for its own half second.
  g_now += watcher_pending_interval_ms;
  ASSERT_TRUE(wait_until([&] { return sink.has(b); }));
  EXPECT_EQ(sink.title_of(b), "B");
  w->stop();
}

TEST(FolderWatcherPolling, UnsupportedMonitoringPollsWithTheSpacingRule) {
  EXPECT_EQ(watcher_poll_interval_ms(0), 60000u);
  EXPECT_EQ(watcher_poll_interval_ms(3000), 60000u);
  EXPECT_EQ(watcher_poll_interval_ms(3001), 60020u);
  // Errors 1, 50 and 56 all mean polling; a fast scan is repeated after 60 s.
  expect_next_scan_after(1, 100, 60000);
  expect_next_scan_after(56, 0, 60000);
  // A slow scan (5 s) is repeated only after 20 times as long.
  expect_next_scan_after(50, 5000, 100000);
}

TEST(FolderWatcherPolling, OtherMonitoringErrorsEndTheWatcher) {
  test_folder dir;
  change_sink sink;
  folder_watcher_options o;
  o.root_url = root_of(dir);
  o.deliver = [&sink](library_changes c) { sink.apply(std::move(c)); };
  // Access denied is no reason to poll.
  o.open_watch = [](const std::string&) -> std::unique_ptr<directory_watch> {
    throw sonatrix_io::exception_io_denied();
  };
  folder_watcher w(std::move(o));
  w.start(0);
  ASSERT_TRUE(wait_until([&] { return !w.is_running(); }));
  EXPECT_FALSE(w.is_polling());
}

TEST(FolderWatcherPolling, OverflowedChangeBufferMeansAFullRescan) {
  test_folder dir;
  const std::string a = join_path(root_of(dir), "a.wav");
  const std::string b = join_path(root_of(dir), "b.wav");
  const std::string c = join_path(root_of(dir), "c.wav");
  write_whole_file(a, make_wav({"A", "", "", ""}));
  write_whole_file(b, make_wav({"B", "", "", ""}));
  change_sink sink;
  folder_watcher_options o;
  o.root_url = root_of(dir);
  o.deliver = [&sink](library_changes changes) { sink.apply(std::move(changes)); };
  o.open_watch = &open_overflowing_watch;
  folder_watcher w(std::move(o));
  w.start(0);
  ASSERT_TRUE(wait_until([&] { return sink.has(a) && sink.has(b); }));

  // Changes whose records were lost: only the rescan after the overflow finds them.
  remove_path(a);
  write_whole_file(c, make_wav({"C", "", "", ""}));
  std::this_thread::sleep_for(std::chrono::milliseconds(800));
  EXPECT_TRUE(sink.has(a));
  EXPECT_FALSE(sink.has(c));
  g_overflow = true;
  ASSERT_TRUE(wait_until([&] { return sink.has(c) && !sink.has(a); }));
  EXPECT_TRUE(sink.has(b));
  EXPECT_FALSE(w.is_polling());
  w.stop();
}

}  // namespace
}  // namespace lumo::testing
