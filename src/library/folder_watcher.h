#pragma once
// One library folder's worker: it keeps the folder's tree, scans it, monitors it for
// changes (or polls it where the system cannot report changes), reads new and changed
// files through the input framework, retries files that cannot be read yet, and hands
// the handles that appeared, disappeared or changed to the main thread in batches.
//
// Threads: the owner (the media library, on the main thread) calls every public
// function; the watcher's own thread does the work. The tree, the queues, the retry
// list and the pending changes are guarded by the watcher's lock, which is never held
// while reading a file, listing a folder or calling out.

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "core/abort.h"
#include "library/directory_watch.h"
#include "library/folder_tree.h"
#include "library/library_database.h"
#include "library/retry_list.h"

namespace lumo {

// Bits of a library folder's mode flags.
inline constexpr uint32_t folder_mode_skip_scan = 2;
inline constexpr uint32_t folder_mode_no_monitoring = 4;

struct library_changes {
  std::vector<track_handle_ptr> added;
  std::vector<track_handle_ptr> removed;
  std::vector<track_handle_ptr> modified;

  bool empty() const { return added.empty() && removed.empty() && modified.empty(); }
  size_t size() const { return added.size() + removed.size() + modified.size(); }
};

struct folder_watcher_options {
  std::string root_url;  // "file://" + the folder's native path
  // Both run on the main thread (posted through the main-thread queue, or called at once
  // when the watcher already runs there).
  std::function<void(library_changes)> deliver;
  std::function<void()> indexing_changed;
  // Milliseconds of a monotonic clock; null uses the steady clock.
  uint64_t (*clock_ms)() = nullptr;
  // Tests: opens the folder's change watch; null uses directory_watch::open.
  std::unique_ptr<directory_watch> (*open_watch)(const std::string& native_root) = nullptr;
};

// Timing of the watcher's loop.
inline constexpr uint64_t watcher_pending_interval_ms = 500;
inline constexpr uint64_t watcher_wait_slice_ms = 250;
inline constexpr uint64_t watcher_root_check_interval_ms = 5000;
inline constexpr uint64_t watcher_batch_interval_ms = 5000;
inline constexpr size_t watcher_batch_changes = 100;
inline constexpr uint64_t watcher_min_poll_interval_ms = 60000;
inline constexpr uint64_t watcher_poll_scan_factor = 20;

// Polling: the time from the end of one scan to the next, given how long the last took.
constexpr uint64_t watcher_poll_interval_ms(uint64_t last_scan_ms) {
  return std::max(watcher_min_poll_interval_ms, watcher_poll_scan_factor * last_scan_ms);
}

// A saved folder state decoded ahead of its watcher, on any thread: the tree and its
// handles in tree order.
struct restored_folder {
  std::unique_ptr<directory_node> tree;
  std::vector<track_handle_ptr> handles;
};
// Damage: exception_io_data.
restored_folder decode_restored_folder(const database_window& window, const std::string& root_url);

class folder_watcher {
 public:
  explicit folder_watcher(folder_watcher_options options);
  ~folder_watcher();  // stops the thread
  folder_watcher(const folder_watcher&) = delete;
  folder_watcher& operator=(const folder_watcher&) = delete;

  // Before start: takes the tree of a saved folder state (decoded for this watcher's
  // root) and reports every restored handle as added.
  void restore(restored_folder folder);
  // Starts the thread in the mode the flags select.
  void start(uint32_t mode_flags);
  // Stops the thread, stores the flags and starts it again.
  void set_mode_flags(uint32_t mode_flags);
  // Sets the abort event and waits for the thread.
  void stop();

  uint32_t mode_flags() const { return mode_flags_.load(std::memory_order_relaxed); }
  const std::string& root_url() const { return options_.root_url; }
  // The folder state for the library file, built under the lock.
  std::string folder_state() const;
  std::vector<track_handle_ptr> handles() const;
  size_t file_count() const;
  bool is_indexing() const { return indexing_.load(std::memory_order_acquire); }
  // False once the thread has ended (a one-time refresh that drained its queues).
  bool is_running() const { return running_.load(std::memory_order_acquire); }
  // True when a monitoring thread fell back to polling.
  bool is_polling() const { return polling_.load(std::memory_order_acquire); }

  // What the thread does with a batch of change records and then with its queues; tests
  // call them directly while the thread is stopped, to order events exactly.
  void process_change_records(const std::vector<change_record>& records);
  void process_pending_work();

 private:
  void thread_main();
  void monitor();
  void poll();
  void refresh_once();

  uint64_t now_ms() const;
  void full_rescan();
  void scan_directory(const std::string& relative);
  void handle_records(const std::vector<change_record>& records);
  void on_added(const std::string& relative);
  void on_removed(const std::string& relative);
  void on_modified(const std::string& relative);
  void on_moved(const std::string& from, const std::string& to);
  void pending_work();
  bool has_work() const;
  void read_queued_file(const std::string& relative);
  void deliver_changes();
  void maybe_deliver_batch(uint64_t& last_batch_ms);
  void set_indexing(bool on);

  std::string url_of(const std::string& relative) const;
  std::string native_of(const std::string& relative) const;

  // The lock is held by the functions below (names ending in _locked).
  directory_node* find_node_locked(const std::string& relative, bool create);
  file_entry* find_file_locked(const std::string& relative);
  void remove_file_locked(directory_node& parent, const std::string& name,
                          const std::string& relative);
  void remove_dir_locked(directory_node& parent, const std::string& name,
                         const std::string& relative);
  void drop_queued_locked(const std::string& relative);

  const folder_watcher_options options_;
  const std::string root_native_;

  std::atomic<uint32_t> mode_flags_{0};
  std::atomic<bool> indexing_{false};
  std::atomic<bool> running_{false};
  std::atomic<bool> polling_{false};
  abort_source abort_;
  std::thread thread_;

  // Thread-only state.
  uint64_t last_pending_ms_ = 0;
  std::string pending_old_name_;
  bool has_old_name_ = false;

  // Guarded by lock_.
  mutable std::mutex lock_;
  std::unique_ptr<directory_node> root_;
  std::set<std::string> read_queue_;
  retry_list retries_;
  library_changes changes_;
};

}  // namespace lumo
