#include "library/media_library.h"

#include <algorithm>
#include <chrono>
#include <set>
#include <thread>

#include "config/config_vars.h"
#include "core/config_store.h"
#include "core/debug_output.h"
#include "core/exceptions.h"
#include "core/main_thread.h"
#include "core/popup_message.h"
#include "core/service_registry.h"
#include "fs/atomic_replace.h"
#include "fs/file_system.h"
#include "library/library_platform.h"
#include "library/library_settings.h"

namespace lumo {

namespace {

constexpr auto k_open_retry_limit = std::chrono::milliseconds(500);
constexpr auto k_open_retry_pause = std::chrono::milliseconds(50);

// Opens url, retrying for half a second while another program holds it.
file_ptr open_with_retry(const std::string& url, open_mode mode, const abort_signal& abort) {
  auto until = std::chrono::steady_clock::now() + k_open_retry_limit;
  for (;;) {
    try {
      return open_file(url, mode, abort);
    } catch (const sonatrix_io::exception_io_sharing_violation&) {
      if (std::chrono::steady_clock::now() >= until) throw;
    } catch (const sonatrix_io::exception_io_denied&) {
      if (std::chrono::steady_clock::now() >= until) throw;
    }
    std::this_thread::sleep_for(k_open_retry_pause);
  }
}

std::shared_ptr<const std::vector<uint8_t>> read_whole_file(file& f, const abort_signal& abort) {
  auto bytes = std::make_shared<std::vector<uint8_t>>();
  uint64_t size = f.get_size(abort);
  if (size != filesize_unknown) {
    if (size > SIZE_MAX / 2) throw kel::exception_overflow();
    bytes->resize(static_cast<size_t>(size));
    f.read_exact(bytes->data(), bytes->size(), abort);
  } else {
    uint8_t block[65536];
    for (;;) {
      size_t got = f.read(block, sizeof block, abort);
      if (got == 0) break;
      bytes->insert(bytes->end(), block, block + got);
    }
  }
  return bytes;
}

}  // namespace

struct media_library::pending_load {
  std::thread worker;
  decoded_file decoded;  // written by the worker, read after the join
  std::exception_ptr error;
  std::atomic<bool> done{false};
};

media_library& media_library::get() {
  static media_library* instance = new media_library;
  return *instance;
}

media_library::~media_library() {
  abandon_loading();
}

void media_library::configure(media_library_options options) {
  assert_main_thread(thread_violation::report_then_crash);
  clear();
  options_ = std::move(options);
}

std::string media_library::database_url() const {
  if (options_.profile_folder.empty()) return {};
  return local_url_in_folder(options_.profile_folder, "database.dat");
}

media_library::decoded_file media_library::read_library_file(
    const std::string& url, const std::string& application_folder) {
  decoded_file decoded;
  if (url.empty()) return decoded;
  file_ptr f;
  try {
    f = open_with_retry(url, open_mode::read, abort_none());
  } catch (const sonatrix_io::exception_io_not_found&) {
    return decoded;  // no library file yet: an empty library
  }
  for (const auto& [key, window] : read_database_windows(read_whole_file(*f, abort_none()))) {
    decoded_folder& d = decoded[key];
    try {
      d.folder = decode_restored_folder(window, folder_root_location(key, application_folder));
    } catch (...) {
      d.error = std::current_exception();
    }
  }
  return decoded;
}

void media_library::begin_loading() {
  assert_main_thread(thread_violation::report_then_crash);
  if (loaded_ || pending_) return;
  auto pending = std::make_unique<pending_load>();
  pending_load* p = pending.get();
  const uint64_t generation = ++load_generation_;
  pending->worker = std::thread(
      [this, p, generation, url = database_url(), folder = options_.application_folder] {
        try {
          p->decoded = read_library_file(url, folder);
        } catch (...) {
          p->error = std::current_exception();
        }
        p->done.store(true, std::memory_order_release);
        post_to_main_thread([this, generation] { finish_loading(generation); });
      });
  pending_ = std::move(pending);
}

bool media_library::is_loading() const {
  return pending_ && !pending_->done.load(std::memory_order_acquire);
}

void media_library::finish_loading(uint64_t generation) {
  // A note from a load that was taken, or dropped by clearing, since.
  if (!pending_ || generation != load_generation_) return;
  try {
    ensure_loaded();
  } catch (const std::exception& e) {
    // The library stays empty; the next start tries the file again.
    debug_output("Library not loaded: " + kel::error_text(e) + "\n");
  }
}

void media_library::abandon_loading() {
  if (!pending_) return;
  pending_->worker.join();
  pending_.reset();
}

void media_library::ensure_loaded() {
  assert_main_thread(thread_violation::report_then_crash);
  if (loaded_) return;
  try {
    load();
  } catch (...) {
    clear();
    throw;
  }
}

void media_library::load() {
  decoded_file decoded;
  if (pending_) {
    std::unique_ptr<pending_load> pending = std::move(pending_);
    pending->worker.join();
    if (pending->error) std::rethrow_exception(pending->error);
    decoded = std::move(pending->decoded);
  } else {
    decoded = read_library_file(database_url(), options_.application_folder);
  }
  synchronize(std::move(decoded));
  loaded_ = true;
}

uint32_t media_library::current_mode_flags() const {
  return library_monitor_folders() ? 0 : folder_mode_skip_scan | folder_mode_no_monitoring;
}

std::vector<std::string> media_library::wanted_folder_keys() const {
  folder_list_inputs in{library_additional_folders(), options_.portable_library,
                        library_include_windows_folders()};
  return make_effective_folder_list(
      in, options_.windows_folders ? options_.windows_folders : &windows_music_folders);
}

std::vector<std::string> media_library::folder_roots() const {
  assert_main_thread(thread_violation::report_then_crash);
  std::vector<std::string> keys = wanted_folder_keys();
  std::sort(keys.begin(), keys.end());
  std::vector<std::string> roots;
  for (const std::string& key : keys)
    roots.push_back(folder_root_location(key, options_.application_folder));
  return roots;
}

void media_library::synchronize(decoded_file decoded) {
  std::vector<std::string> list = wanted_folder_keys();
  std::set<std::string, std::less<>> wanted(list.begin(), list.end());

  for (auto it = folders_.begin(); it != folders_.end();) {
    auto next = std::next(it);
    if (!wanted.count(it->first)) remove_folder(it);
    it = next;
  }

  uint32_t flags = current_mode_flags();
  for (const std::string& key : list) {
    auto existing = folders_.find(key);
    if (existing != folders_.end()) {
      if (existing->second.mode_flags != flags) {
        existing->second.mode_flags = flags;
        existing->second.watcher->set_mode_flags(flags);
      }
      continue;
    }
    auto state = std::make_shared<folder_state>();
    folder_watcher_options wo;
    wo.root_url = folder_root_location(key, options_.application_folder);
    wo.deliver = [this, state](library_changes changes) {
      // Batches still queued from a folder that has left the library are stale.
      if (!state->removed.load(std::memory_order_acquire)) apply(std::move(changes));
    };
    wo.indexing_changed = [this] { update_indexing(); };
    library_folder folder{state, std::make_unique<folder_watcher>(std::move(wo)), flags};
    folder_watcher& watcher = *folder.watcher;
    folders_.emplace(key, std::move(folder));
    auto saved = decoded.find(key);
    if (saved != decoded.end()) {
      if (saved->second.error) std::rethrow_exception(saved->second.error);
      watcher.restore(std::move(saved->second.folder));
    }
    watcher.start(flags);
  }
  update_indexing();
}

void media_library::remove_folder(std::map<std::string, library_folder, std::less<>>::iterator it) {
  library_folder& folder = it->second;
  folder.state->removed.store(true, std::memory_order_release);
  folder.watcher->stop();
  library_changes gone;
  gone.removed = folder.watcher->handles();
  folders_.erase(it);
  apply(std::move(gone));
}

void media_library::clear() {
  assert_main_thread(thread_violation::report_then_crash);
  abandon_loading();
  while (!folders_.empty()) remove_folder(folders_.begin());
  if (!items_.empty()) {
    library_changes rest;
    rest.removed.assign(items_.begin(), items_.end());
    apply(std::move(rest));
  }
  items_.clear();
  loaded_ = false;
  update_indexing();
}

void media_library::apply(library_changes changes) {
  std::vector<track_handle_ptr> added, removed, modified;
  items_.reserve(items_.size() + changes.added.size());  // a restored folder comes at once
  for (track_handle_ptr& h : changes.added)
    if (items_.insert(h).second) added.push_back(std::move(h));
  for (track_handle_ptr& h : changes.removed)
    if (items_.erase(h)) removed.push_back(std::move(h));
  for (track_handle_ptr& h : changes.modified)
    if (items_.count(h)) modified.push_back(std::move(h));
  if (!added.empty() || !removed.empty() || !modified.empty())
    debug_output("Library: " + std::to_string(added.size()) + " added, " +
                 std::to_string(removed.size()) + " removed, " + std::to_string(modified.size()) +
                 " modified\n");
  // A copy: a callback may unregister itself or another.
  std::vector<library_callback*> callbacks = callbacks_;
  for (library_callback* c : callbacks) {
    if (!added.empty()) c->on_items_added(added);
    if (!removed.empty()) c->on_items_removed(removed);
    if (!modified.empty()) c->on_items_modified(modified);
  }
}

void media_library::update_indexing() {
  bool now = false;
  for (const auto& [key, folder] : folders_) now = now || folder.watcher->is_indexing();
  if (now == indexing_) return;
  indexing_ = now;
  std::vector<library_callback*> callbacks = callbacks_;
  for (library_callback* c : callbacks) c->on_indexing_changed(now);
}

bool media_library::is_in_library(const track_handle_ptr& item) {
  ensure_loaded();
  return items_.count(item) != 0;
}

bool media_library::is_indexing() {
  ensure_loaded();
  return indexing_;
}

void media_library::register_callback(library_callback* callback) {
  ensure_loaded();
  callbacks_.push_back(callback);
}

void media_library::unregister_callback(library_callback* callback) {
  assert_main_thread(thread_violation::report_then_crash);
  std::erase(callbacks_, callback);
}

void media_library::enumerate(const std::function<bool(const track_handle_ptr&)>& fn) {
  for (const track_handle_ptr& h : get_all())
    if (!fn(h)) return;
}

std::vector<track_handle_ptr> media_library::get_all() {
  ensure_loaded();
  return {items_.begin(), items_.end()};
}

void media_library::synchronize_folders() {
  assert_main_thread(thread_violation::report_then_crash);
  if (!loaded_) return ensure_loaded();
  synchronize({});
}

bool media_library::is_monitoring() const {
  return library_monitor_folders();
}

void media_library::toggle_monitoring() {
  assert_main_thread(thread_violation::report_then_crash);
  set_library_monitor_folders(!library_monitor_folders());
  if (loaded_) synchronize({});
}

void media_library::scan_now() {
  ensure_loaded();
  for (auto& [key, folder] : folders_) {
    folder.mode_flags = current_mode_flags() & ~folder_mode_skip_scan;
    folder.watcher->set_mode_flags(folder.mode_flags);
  }
}

std::vector<std::string> media_library::folder_keys() {
  ensure_loaded();
  std::vector<std::string> keys;
  for (const auto& [key, folder] : folders_) keys.push_back(key);
  return keys;
}

folder_watcher* media_library::find_watcher(const std::string& key) {
  ensure_loaded();
  auto it = folders_.find(key);
  return it == folders_.end() ? nullptr : it->second.watcher.get();
}

void media_library::write_file(bool retrying) {
  std::string url = database_url();
  std::vector<database_folder_writer> writers;
  for (auto& [key, folder] : folders_) {
    folder_watcher* w = folder.watcher.get();
    writers.push_back({key, [w] { return w->folder_state(); }});
  }
  if (retrying) {
    file_ptr f = open_with_retry(url, open_mode::write_new, abort_none());
    write_database(*f, writers, abort_none());
    return;
  }
  replace_file_atomically(
      url, [&](file& f, const abort_signal& abort) { write_database(f, writers, abort); },
      abort_none());
}

void media_library::save(bool retrying) {
  assert_main_thread(thread_violation::report_then_crash);
  if (database_url().empty()) return;
  if (!loaded_ && !retrying) return;
  ensure_loaded();
  if (retrying) {
    try {
      write_file(true);
    } catch (const sonatrix_io::exception_io& e) {
      debug_output("Library file not written: " + kel::error_text(e) + "\n");
    }
    return;
  }
  for (;;) {
    try {
      write_file(false);
      return;
    } catch (const std::exception& e) {
      std::string message = "Library file could not be written (" + kel::error_text(e) +
                            ").\nIf you choose 'cancel', your recent library changes will be lost.";
      if (options_.quiet) {
        debug_output(message + "\n");
        return;
      }
      // Cancel when nobody can be asked: the previous file stays as it was.
      if (!popup_message::g_ask(message, library_write_error_title,
                                {popup_buttons::retry_cancel, popup_icon::warning, false}))
        return;
    }
  }
}

void media_library::remove_file() {
  assert_main_thread(thread_violation::report_then_crash);
  std::string url = database_url();
  if (url.empty()) return;
  const file_system& fs = find_file_system(url);
  if (fs.exists(url)) fs.remove(url);
}

namespace {

// The library's side of saving the configuration: database.dat is written (or, on a
// reset, deleted) whenever the settings are.
class library_config_store : public config_store {
 public:
  void load() override {}  // the library loads on first use
  void save(bool reset) override {
    if (reset)
      media_library::get().remove_file();
    else
      media_library::get().save(false);
  }
  void save_now() override { media_library::get().save(true); }
};

LUMO_REGISTER_SINGLETON_SERVICE(library_config_store);

}  // namespace

}  // namespace lumo
