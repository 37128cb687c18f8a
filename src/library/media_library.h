#pragma once
// The media library: every track found under the music folders, kept up to date by one
// folder watcher per folder and stored in the profile's database.dat so a start only
// looks for changes.
//
// Main thread only: every operation checks the thread (the internal-error crash
// elsewhere) and loads the library on first use. A load that fails clears the library
// and the error reaches the caller. Watchers report to the main thread through the
// main-thread queue; the library applies their batches and tells the callbacks.

#include <cstdint>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "library/folder_watcher.h"
#include "library/track_handle.h"

namespace lumo {

// Notifications, in registration order, on the main thread, never with an empty list.
class library_callback {
 public:
  virtual ~library_callback() = default;
  virtual void on_items_added(const std::vector<track_handle_ptr>& items) = 0;
  virtual void on_items_removed(const std::vector<track_handle_ptr>& items) = 0;
  virtual void on_items_modified(const std::vector<track_handle_ptr>& items) = 0;
  virtual void on_indexing_changed(bool is_indexing) = 0;
};

struct media_library_options {
  std::string profile_folder;      // native path; empty: no library file is read or written
  std::string application_folder;  // the program's folder, for "." (portable library)
  bool portable_library = false;   // the ".locallibrary.opt" marker was found at start-up
  bool quiet = false;              // no message boxes
  // Tests: where the Windows music folders come from (null: the platform's).
  std::vector<std::string> (*windows_folders)() = nullptr;
};

class media_library {
 public:
  // The process's library.
  static media_library& get();
  media_library() = default;
  ~media_library();
  media_library(const media_library&) = delete;
  media_library& operator=(const media_library&) = delete;

  // Start-up, before first use; also clears a loaded library (tests reuse the object).
  void configure(media_library_options options);
  // Loads the library now (start-up) rather than on first use.
  void open() { ensure_loaded(); }
  // Start-up: reads the library file and decodes its folders on a worker while the
  // caller goes on (building the window). The first use waits for it; without one the
  // library is loaded from the main-thread queue once the worker is done.
  void begin_loading();
  // A load begun ahead is still reading the file.
  bool is_loading() const;

  bool is_in_library(const track_handle_ptr& item);
  bool is_indexing();
  // The callback must stay alive until unregistered.
  void register_callback(library_callback* callback);
  void unregister_callback(library_callback* callback);
  // Calls fn for a snapshot of the items until it returns false.
  void enumerate(const std::function<bool(const track_handle_ptr&)>& fn);
  std::vector<track_handle_ptr> get_all();

  // Writes database.dat. retrying: a writer that retries for half a second and stays
  // silent on I/O errors; otherwise the atomic replacement, with a Retry/Cancel box on
  // failure. With retrying clear and the library never loaded nothing is written.
  void save(bool retrying);
  // Deletes database.dat (configuration reset).
  void remove_file();
  // Shutdown, or a failed load: every folder removed, its tracks reported removed.
  void clear();
  bool is_loaded() const { return loaded_; }

  // After a setting changed: rebuild the folder list, start and stop watchers.
  void synchronize_folders();
  // "menu_monitor_folders": toggles monitoring; checked while monitoring is on.
  void toggle_monitoring();
  bool is_monitoring() const;
  // "menu_scan_folders": one refresh of every folder; offered only while not monitoring.
  void scan_now();
  bool is_scan_offered() const { return !is_monitoring(); }

  // The root locations ("file://" + native path) of the folders the settings have the
  // library index, in key order. Needs no load: the window shows them while it runs.
  std::vector<std::string> folder_roots() const;
  // The indexed folder keys in key order, and their watchers (tests, lumo-inspect).
  std::vector<std::string> folder_keys();
  folder_watcher* find_watcher(const std::string& key);
  std::string database_url() const;

 private:
  struct folder_state {
    std::atomic<bool> removed{false};
  };
  struct library_folder {
    std::shared_ptr<folder_state> state;
    std::unique_ptr<folder_watcher> watcher;
    uint32_t mode_flags = 0;
  };

  // Each folder of the library file, decoded, or why it could not be.
  struct decoded_folder {
    restored_folder folder;
    std::exception_ptr error;
  };
  using decoded_file = std::map<std::string, decoded_folder>;
  struct pending_load;

  // Any thread. A file that cannot be read or listed throws; a damaged folder state is
  // kept as that folder's error, which counts only when the folder is still wanted.
  static decoded_file read_library_file(const std::string& url,
                                        const std::string& application_folder);
  void ensure_loaded();
  void load();
  void finish_loading(uint64_t generation);
  void abandon_loading();
  void synchronize(decoded_file decoded);
  std::vector<std::string> wanted_folder_keys() const;
  uint32_t current_mode_flags() const;
  void remove_folder(std::map<std::string, library_folder, std::less<>>::iterator it);
  void apply(library_changes changes);
  void update_indexing();
  void write_file(bool retrying);

  media_library_options options_;
  bool loaded_ = false;
  std::unique_ptr<pending_load> pending_;
  uint64_t load_generation_ = 0;  // tells a finished worker's note from a stale one
  // Ordered by key bytes: saving, refreshing and the indexing state walk it in order.
  std::map<std::string, library_folder, std::less<>> folders_;
  std::unordered_set<track_handle_ptr, track_handle_ptr_hash> items_;
  std::vector<library_callback*> callbacks_;
  bool indexing_ = false;
};

}  // namespace lumo
