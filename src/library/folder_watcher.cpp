#include "library/folder_watcher.h"

#include <algorithm>
#include <chrono>

#include "core/debug_output.h"
#include "core/exceptions.h"
#include "core/main_thread.h"
#include "fs/file_system.h"
#include "fs/native_fs.h"
#include "input/input_open.h"
#include "library/directory_watch.h"
#include "meta/track_info_mutable.h"

namespace lumo {

namespace {

constexpr std::string_view k_file_prefix = "file://";

std::string native_root_of(std::string_view url) {
  if (url.starts_with(k_file_prefix)) url.remove_prefix(k_file_prefix.size());
  return std::string(url);
}

uint64_t steady_ms() {
  using namespace std::chrono;
  return static_cast<uint64_t>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

std::vector<std::string_view> split(std::string_view relative) {
  std::vector<std::string_view> parts;
  const char sep = native_fs::path_separator();
  while (!relative.empty()) {
    size_t at = relative.find(sep);
    std::string_view part = relative.substr(0, at);
    if (!part.empty()) parts.push_back(part);
    if (at == std::string_view::npos) break;
    relative.remove_prefix(at + 1);
  }
  return parts;
}

// Splits "a/b/c" into "a/b" and "c".
std::pair<std::string, std::string> parent_and_name(const std::string& relative) {
  size_t at = relative.find_last_of(native_fs::path_separator());
  if (at == std::string::npos) return {std::string(), relative};
  return {relative.substr(0, at), relative.substr(at + 1)};
}

bool is_under(std::string_view path, std::string_view prefix) {
  return path == prefix || (path.size() > prefix.size() && path.starts_with(prefix) &&
                            path[prefix.size()] == native_fs::path_separator());
}

bool has_tmp_extension(std::string_view relative) {
  size_t slash = relative.find_last_of(native_fs::path_separator());
  std::string_view name = slash == std::string_view::npos ? relative : relative.substr(slash + 1);
  size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return false;
  std::string_view ext = name.substr(dot + 1);
  return ext.size() == 3 && (ext[0] | 0x20) == 't' && (ext[1] | 0x20) == 'm' &&
         (ext[2] | 0x20) == 'p';
}

// What reading one file gave.
struct read_outcome {
  bool failed = false;  // could not be read now: retry later
  uint64_t stamp = 0;
  std::vector<std::shared_ptr<const track_summary>> tracks;  // by subsong index
};

read_outcome read_file(const std::string& url, const std::string& relative,
                       const abort_signal& abort) {
  read_outcome out;
  // Temporary files of copiers and editors become the real file by a rename.
  if (has_tmp_extension(relative)) return out;
  try {
    if (!find_handler_for_path(url)) {
      out.stamp = native_fs::get_stats(native_root_of(url)).timestamp;
      return out;
    }
    file_ptr f = open_file(url, open_mode::read, abort);
    out.stamp = f->get_timestamp(abort);
    std::shared_ptr<input_info_reader> reader = open_input_info_reader(url, f, abort);
    track_info_mutable info;
    reader->get_info(0, info, abort);
    out.tracks.push_back(std::make_shared<const track_summary>(make_track_summary(info)));
  } catch (const sonatrix_io::exception_io_data&) {
    // A file no reader makes sense of stays in the tree without tracks; a later change
    // of the file (a copy finishing) reads it again.
  } catch (const sonatrix_io::exception_io&) {
    out.failed = true;
  }
  return out;
}

}  // namespace

folder_watcher::folder_watcher(folder_watcher_options options)
    : options_(std::move(options)),
      root_native_(native_root_of(options_.root_url)),
      root_(std::make_unique<directory_node>()) {}

folder_watcher::~folder_watcher() {
  stop();
}

uint64_t folder_watcher::now_ms() const {
  return options_.clock_ms ? options_.clock_ms() : steady_ms();
}

std::string folder_watcher::url_of(const std::string& relative) const {
  return relative.empty() ? options_.root_url : join_path(options_.root_url, relative);
}

std::string folder_watcher::native_of(const std::string& relative) const {
  return relative.empty() ? root_native_ : join_path(root_native_, relative);
}

restored_folder decode_restored_folder(const database_window& window, const std::string& root_url) {
  restored_folder folder;
  folder.tree = decode_folder_state(window.bytes(), window.offset, root_url);
  collect_handles(*folder.tree, folder.handles);
  return folder;
}

void folder_watcher::restore(restored_folder folder) {
  {
    std::lock_guard guard(lock_);
    root_ = std::move(folder.tree);
  }
  library_changes restored;
  restored.added = std::move(folder.handles);
  if (!restored.empty() && options_.deliver) options_.deliver(std::move(restored));
}

void folder_watcher::start(uint32_t mode_flags) {
  stop();
  mode_flags_.store(mode_flags, std::memory_order_relaxed);
  abort_.reset();
  running_.store(true, std::memory_order_release);
  thread_ = std::thread([this] { thread_main(); });
}

void folder_watcher::set_mode_flags(uint32_t mode_flags) {
  start(mode_flags);
}

void folder_watcher::stop() {
  if (!thread_.joinable()) return;
  abort_.abort();
  thread_.join();
}

std::string folder_watcher::folder_state() const {
  std::lock_guard guard(lock_);
  return encode_folder_state(*root_);
}

std::vector<track_handle_ptr> folder_watcher::handles() const {
  std::vector<track_handle_ptr> out;
  std::lock_guard guard(lock_);
  collect_handles(*root_, out);
  return out;
}

size_t folder_watcher::file_count() const {
  std::lock_guard guard(lock_);
  return count_files(*root_);
}

void folder_watcher::thread_main() {
  // No exception leaves the thread: an unrecoverable error ends the watcher, and the
  // folder keeps the tree it has.
  try {
    uint32_t flags = mode_flags();
    if (!(flags & folder_mode_no_monitoring)) {
      try {
        monitor();
      } catch (const exception_directory_watch_unsupported& e) {
        debug_output("Library: " + root_native_ + " cannot be monitored (error " +
                     std::to_string(e.code()) + "), polling it instead\n");
        polling_.store(true, std::memory_order_release);
        poll();
      }
    } else if (!(flags & folder_mode_skip_scan)) {
      refresh_once();
    }
  } catch (const kel::exception_aborted&) {
  } catch (const std::exception& e) {
    debug_output("Library: watching " + root_native_ + " ended: " + kel::error_text(e) + "\n");
  }
  try {
    deliver_changes();
  } catch (const std::exception&) {
  }
  set_indexing(false);
  running_.store(false, std::memory_order_release);
}

void folder_watcher::monitor() {
  std::unique_ptr<directory_watch> watch =
      options_.open_watch ? options_.open_watch(root_native_) : directory_watch::open(root_native_);
  last_pending_ms_ = now_ms() - watcher_pending_interval_ms;
  // The watch is started before the scan, so nothing changed during the scan is lost.
  if (!(mode_flags() & folder_mode_skip_scan)) full_rescan();
  pending_work();
  uint64_t last_check = now_ms();
  std::vector<change_record> records;
  for (;;) {
    watch_wait_result r = watch->wait(abort_, std::chrono::milliseconds(watcher_wait_slice_ms));
    if (r == watch_wait_result::aborted) return;
    if (r == watch_wait_result::timeout) {
      if (now_ms() - last_check > watcher_root_check_interval_ms) {
        watch->check_root();
        last_check = now_ms();
      }
      pending_work();
      continue;
    }
    records.clear();
    if (watch->take_records(records))
      handle_records(records);
    else
      full_rescan();
    pending_work();
    watch->restart();
  }
}

void folder_watcher::poll() {
  uint64_t started = now_ms();
  full_rescan();
  uint64_t last_end = now_ms();
  uint64_t duration = last_end - started;
  for (;;) {
    if (now_ms() - last_end >= watcher_poll_interval_ms(duration)) {
      started = now_ms();
      full_rescan();
      last_end = now_ms();
      duration = last_end - started;
    }
    pending_work();
    if (abort_.wait_for(std::chrono::seconds(1))) return;
  }
}

void folder_watcher::refresh_once() {
  last_pending_ms_ = now_ms() - watcher_pending_interval_ms;
  full_rescan();
  for (;;) {
    pending_work();
    if (!has_work()) return;
    if (abort_.wait_for(std::chrono::seconds(1))) return;
  }
}

bool folder_watcher::has_work() const {
  std::lock_guard guard(lock_);
  return !read_queue_.empty() || !retries_.empty() || !changes_.empty();
}

void folder_watcher::full_rescan() {
  set_indexing(true);
  scan_directory(std::string());
  debug_output("Library: scanned " + root_native_ + "\n");
}

void folder_watcher::scan_directory(const std::string& relative) {
  abort_.check();
  struct listed {
    std::string name;
    bool is_folder;
    uint64_t stamp;
  };
  std::vector<listed> items;
  try {
    find_file_system(options_.root_url)
        .list_directory(
            url_of(relative),
            [&](const directory_entry& e, const abort_signal&) {
              std::string_view name = e.url;
              name.remove_prefix(name.find_last_of(native_fs::path_separator()) + 1);
              items.push_back({std::string(name), e.is_folder, e.stats.timestamp});
              return true;
            },
            abort_);
  } catch (const sonatrix_io::exception_io_not_found&) {
    if (relative.empty()) throw;
    items.clear();  // the folder went away: everything under it goes too
  } catch (const kel::exception_aborted&) {
    throw;
  } catch (const sonatrix_io::exception_io&) {
    if (relative.empty()) throw;
    return;  // unreadable for now: keep what we know
  }
  std::sort(items.begin(), items.end(),
            [](const listed& a, const listed& b) { return a.name < b.name; });

  std::vector<std::string> subdirs;
  {
    std::lock_guard guard(lock_);
    directory_node* node = find_node_locked(relative, false);
    if (!node) return;
    auto is_listed = [&](const std::string& name, bool folder) {
      auto it = std::lower_bound(items.begin(), items.end(), name,
                                 [](const listed& a, const std::string& n) { return a.name < n; });
      return it != items.end() && it->name == name && it->is_folder == folder;
    };
    for (auto it = node->files.begin(); it != node->files.end();) {
      auto next = std::next(it);
      if (!is_listed(it->first, false))
        remove_file_locked(*node, it->first, join_path(relative, it->first));
      it = next;
    }
    for (auto it = node->dirs.begin(); it != node->dirs.end();) {
      auto next = std::next(it);
      if (!is_listed(it->first, true))
        remove_dir_locked(*node, it->first, join_path(relative, it->first));
      it = next;
    }
    for (const listed& item : items) {
      std::string child = relative.empty() ? item.name : join_path(relative, item.name);
      if (item.is_folder) {
        auto& slot = node->dirs[item.name];
        if (!slot) slot = std::make_unique<directory_node>();
        subdirs.push_back(std::move(child));
        continue;
      }
      auto [it, is_new] = node->files.try_emplace(item.name);
      // Stamp 0 means "never read" (new, or restored without summaries): read it.
      if (!is_new && it->second.stamp != 0 && it->second.stamp == item.stamp) continue;
      read_queue_.insert(std::move(child));
    }
  }
  for (const std::string& sub : subdirs) scan_directory(sub);
}

directory_node* folder_watcher::find_node_locked(const std::string& relative, bool create) {
  directory_node* node = root_.get();
  for (std::string_view part : split(relative)) {
    auto it = node->dirs.find(part);
    if (it == node->dirs.end()) {
      if (!create) return nullptr;
      if (node->files.count(part)) return nullptr;  // a file stands where a folder should
      it = node->dirs.emplace(std::string(part), std::make_unique<directory_node>()).first;
    }
    node = it->second.get();
  }
  return node;
}

file_entry* folder_watcher::find_file_locked(const std::string& relative) {
  auto [parent, name] = parent_and_name(relative);
  directory_node* node = find_node_locked(parent, false);
  if (!node) return nullptr;
  auto it = node->files.find(name);
  return it == node->files.end() ? nullptr : &it->second;
}

void folder_watcher::remove_file_locked(directory_node& parent, const std::string& name,
                                        const std::string& relative) {
  auto it = parent.files.find(name);
  if (it == parent.files.end()) return;
  for (track_handle_ptr& h : it->second.handles) changes_.removed.push_back(std::move(h));
  parent.files.erase(it);
  drop_queued_locked(relative);
}

void folder_watcher::remove_dir_locked(directory_node& parent, const std::string& name,
                                       const std::string& relative) {
  auto it = parent.dirs.find(name);
  if (it == parent.dirs.end()) return;
  collect_handles(*it->second, changes_.removed);
  parent.dirs.erase(it);
  drop_queued_locked(relative);
}

void folder_watcher::drop_queued_locked(const std::string& relative) {
  retries_.remove_tree(relative, native_fs::path_separator());
  for (auto it = read_queue_.lower_bound(relative);
       it != read_queue_.end() && it->starts_with(relative);) {
    if (is_under(*it, relative))
      it = read_queue_.erase(it);
    else
      ++it;
  }
}

void folder_watcher::process_change_records(const std::vector<change_record>& records) {
  handle_records(records);
}

void folder_watcher::process_pending_work() {
  last_pending_ms_ = now_ms() - watcher_pending_interval_ms;
  pending_work();
}

void folder_watcher::handle_records(const std::vector<change_record>& records) {
  for (const change_record& r : records) {
    abort_.check();
    if (r.relative_path.empty()) continue;
    switch (r.action) {
      case change_action::added: on_added(r.relative_path); break;
      case change_action::removed: on_removed(r.relative_path); break;
      case change_action::modified: on_modified(r.relative_path); break;
      case change_action::renamed_old_name:
        pending_old_name_ = r.relative_path;
        has_old_name_ = true;
        break;
      case change_action::renamed_new_name:
        if (has_old_name_)
          on_moved(pending_old_name_, r.relative_path);
        else
          on_added(r.relative_path);
        has_old_name_ = false;
        break;
    }
  }
}

void folder_watcher::on_added(const std::string& relative) {
  std::optional<native_fs::item_kind> kind = native_fs::probe(native_of(relative));
  if (!kind) return;  // gone again; its removal record follows
  auto [parent, name] = parent_and_name(relative);
  if (*kind == native_fs::item_kind::directory) {
    {
      std::lock_guard guard(lock_);
      directory_node* node = find_node_locked(relative, true);
      if (!node) return;
    }
    set_indexing(true);
    scan_directory(relative);
    return;
  }
  std::lock_guard guard(lock_);
  directory_node* node = find_node_locked(parent, true);
  if (!node) return;
  auto [it, is_new] = node->files.try_emplace(name);
  it->second.stamp = 0;
  read_queue_.insert(relative);
}

void folder_watcher::on_removed(const std::string& relative) {
  // The record may be stale: a file deleted and created again at once is still there.
  try {
    native_fs::get_stats(native_of(relative));
    return;
  } catch (const sonatrix_io::exception_io_not_found&) {
  } catch (const sonatrix_io::exception_io&) {
    return;
  }
  auto [parent, name] = parent_and_name(relative);
  std::lock_guard guard(lock_);
  retries_.remove_tree(relative, native_fs::path_separator());
  directory_node* node = find_node_locked(parent, false);
  if (!node) return;
  remove_file_locked(*node, name, relative);
  remove_dir_locked(*node, name, relative);
}

void folder_watcher::on_modified(const std::string& relative) {
  std::optional<native_fs::item_kind> kind = native_fs::probe(native_of(relative));
  if (!kind) return;
  bool known;
  {
    std::lock_guard guard(lock_);
    if (*kind == native_fs::item_kind::directory) {
      known = find_node_locked(relative, false) != nullptr;
    } else {
      file_entry* entry = find_file_locked(relative);
      known = entry != nullptr;
      if (entry) {
        uint64_t stamp = 0;
        try {
          stamp = native_fs::get_stats(native_of(relative)).timestamp;
        } catch (const sonatrix_io::exception_io&) {
        }
        if (stamp == 0 || stamp != entry->stamp) read_queue_.insert(relative);
      }
    }
  }
  // A change inside something we never saw: take it as new.
  if (!known) on_added(relative);
}

void folder_watcher::on_moved(const std::string& from, const std::string& to) {
  std::unique_lock guard(lock_);
  retries_.remove_tree(from, native_fs::path_separator());
  auto [from_parent, from_name] = parent_and_name(from);
  auto [to_parent, to_name] = parent_and_name(to);
  directory_node* source = find_node_locked(from_parent, false);
  bool moved = false;
  if (source) {
    // Tracks are known by location, so every moved file gets new handles carrying the
    // summaries already read: the old ones leave the library, the new ones join it.
    auto relocate = [&](file_entry& entry, const std::string& new_relative) {
      std::vector<track_handle_ptr> fresh;
      for (track_handle_ptr& h : entry.handles) {
        track_handle_ptr n = get_track_handle({url_of(new_relative), h->location().subsong_index});
        cached_summary cached = h->summary();
        if (cached.summary) n->set_summary(cached.summary, cached.timestamp);
        changes_.removed.push_back(std::move(h));
        changes_.added.push_back(n);
        fresh.push_back(std::move(n));
      }
      entry.handles = std::move(fresh);
    };
    std::function<void(directory_node&, const std::string&)> relocate_tree =
        [&](directory_node& node, const std::string& base) {
          for (auto& [name, entry] : node.files) relocate(entry, join_path(base, name));
          for (auto& [name, child] : node.dirs) relocate_tree(*child, join_path(base, name));
        };
    if (auto f = source->files.find(from_name); f != source->files.end()) {
      file_entry entry = std::move(f->second);
      source->files.erase(f);
      drop_queued_locked(from);
      if (directory_node* target = find_node_locked(to_parent, true)) {
        remove_file_locked(*target, to_name, to);
        relocate(entry, to);
        target->files.insert_or_assign(to_name, std::move(entry));
        moved = true;
      } else {
        for (track_handle_ptr& h : entry.handles) changes_.removed.push_back(std::move(h));
      }
    } else if (auto d = source->dirs.find(from_name); d != source->dirs.end()) {
      std::unique_ptr<directory_node> node = std::move(d->second);
      source->dirs.erase(d);
      std::vector<std::string> requeue;
      for (auto it = read_queue_.lower_bound(from);
           it != read_queue_.end() && it->starts_with(from); ++it)
        if (is_under(*it, from)) requeue.push_back(to + it->substr(from.size()));
      drop_queued_locked(from);
      if (directory_node* target = find_node_locked(to_parent, true)) {
        remove_dir_locked(*target, to_name, to);
        relocate_tree(*node, to);
        target->dirs.insert_or_assign(to_name, std::move(node));
        read_queue_.insert(requeue.begin(), requeue.end());
        moved = true;
      } else {
        collect_handles(*node, changes_.removed);
      }
    }
  }
  guard.unlock();
  if (!moved) on_added(to);
}

void folder_watcher::set_indexing(bool on) {
  if (indexing_.exchange(on, std::memory_order_acq_rel) == on) return;
  if (!options_.indexing_changed) return;
  if (is_main_thread())
    options_.indexing_changed();
  else
    post_to_main_thread(options_.indexing_changed);
}

void folder_watcher::read_queued_file(const std::string& relative) {
  read_outcome outcome = read_file(url_of(relative), relative, abort_);
  std::lock_guard guard(lock_);
  file_entry* entry = find_file_locked(relative);
  if (!entry) return;  // removed while it was read
  if (outcome.failed) {
    retries_.record_failure(relative, now_ms());
    return;
  }
  retries_.remove(relative);
  entry->stamp = outcome.stamp;
  std::vector<track_handle_ptr> fresh;
  for (size_t i = 0; i < outcome.tracks.size(); ++i) {
    track_handle_ptr h = get_track_handle({url_of(relative), static_cast<uint32_t>(i)});
    h->set_summary(outcome.tracks[i], outcome.stamp);
    bool existed =
        std::find(entry->handles.begin(), entry->handles.end(), h) != entry->handles.end();
    (existed ? changes_.modified : changes_.added).push_back(h);
    fresh.push_back(std::move(h));
  }
  for (track_handle_ptr& old : entry->handles)
    if (std::find(fresh.begin(), fresh.end(), old) == fresh.end())
      changes_.removed.push_back(std::move(old));
  entry->handles = std::move(fresh);
}

void folder_watcher::maybe_deliver_batch(uint64_t& last_batch_ms) {
  uint64_t now = now_ms();
  if (now - last_batch_ms < watcher_batch_interval_ms) return;
  last_batch_ms = now;
  size_t count;
  {
    std::lock_guard guard(lock_);
    count = changes_.size();
  }
  if (count >= watcher_batch_changes) deliver_changes();
}

void folder_watcher::pending_work() {
  uint64_t now = now_ms();
  if (now - last_pending_ms_ < watcher_pending_interval_ms) return;
  last_pending_ms_ = now;
  uint64_t last_batch = now;

  for (;;) {
    std::string next;
    {
      std::lock_guard guard(lock_);
      if (read_queue_.empty()) break;
      next = read_queue_.extract(read_queue_.begin()).value();
    }
    set_indexing(true);
    abort_.check();
    read_queued_file(next);
    maybe_deliver_batch(last_batch);
  }

  std::vector<std::string> due;
  {
    std::lock_guard guard(lock_);
    due = retries_.due(now_ms());
  }
  for (const std::string& relative : due) {
    abort_.check();
    read_queued_file(relative);
    maybe_deliver_batch(last_batch);
  }
  // The results first: whoever waits for the end of indexing finds them in place.
  deliver_changes();
  set_indexing(false);
}

void folder_watcher::deliver_changes() {
  library_changes out;
  {
    std::lock_guard guard(lock_);
    if (changes_.empty()) return;
    std::swap(out, changes_);
  }
  if (!options_.deliver) return;
  if (is_main_thread()) {
    options_.deliver(std::move(out));
  } else {
    auto shared = std::make_shared<library_changes>(std::move(out));
    post_to_main_thread([deliver = options_.deliver, shared] { deliver(std::move(*shared)); });
  }
}

}  // namespace lumo
