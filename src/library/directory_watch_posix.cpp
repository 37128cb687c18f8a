#include "library/directory_watch.h"

#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <unordered_map>

#include "fs/native_fs.h"
#include "library/folder_tree.h"

namespace lumo {

namespace {

constexpr uint32_t k_event_mask = IN_CREATE | IN_DELETE | IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE |
                                  IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF | IN_ONLYDIR;

class inotify_watch final : public directory_watch {
 public:
  explicit inotify_watch(std::string root) : root_(std::move(root)) {
    fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ < 0) fail(errno);
    try {
      add_tree("");
    } catch (...) {
      close(fd_);
      throw;
    }
  }
  ~inotify_watch() override { close(fd_); }

  watch_wait_result wait(const abort_signal& abort, std::chrono::milliseconds timeout) override {
    if (abort.is_aborting()) return watch_wait_result::aborted;
    pollfd p{fd_, POLLIN, 0};
    int n = ::poll(&p, 1, static_cast<int>(timeout.count()));
    if (abort.is_aborting()) return watch_wait_result::aborted;
    if (n < 0 && errno != EINTR) sonatrix_io::throw_io_errno(errno);
    return n > 0 ? watch_wait_result::changes : watch_wait_result::timeout;
  }

  bool take_records(std::vector<change_record>& out) override {
    bool complete = true;
    alignas(inotify_event) char buffer[65536];
    // cookie → (old path, index of its record, is a folder), while no new name matched it
    struct moved_from {
      std::string path;
      size_t record;
      bool is_dir;
    };
    std::map<uint32_t, moved_from> moved_out;
    for (;;) {
      ssize_t got = ::read(fd_, buffer, sizeof buffer);
      if (got < 0) {
        if (errno == EAGAIN || errno == EINTR) break;
        sonatrix_io::throw_io_errno(errno);
      }
      if (got == 0) break;
      for (ssize_t at = 0; at < got;) {
        auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
        at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
        if (e->mask & IN_Q_OVERFLOW) {
          complete = false;
          continue;
        }
        auto dir = paths_.find(e->wd);
        if (dir == paths_.end()) continue;
        if (e->mask & (IN_IGNORED | IN_DELETE_SELF)) {
          if (e->mask & IN_IGNORED) paths_.erase(dir);
          continue;
        }
        std::string path = e->len ? join_path(dir->second, e->name) : dir->second;
        if (path.empty()) continue;  // the root itself: check_root notices
        bool is_dir = (e->mask & IN_ISDIR) != 0;
        if (e->mask & IN_CREATE) {
          if (is_dir) add_tree(path);
          out.push_back({change_action::added, path});
        } else if (e->mask & IN_DELETE) {
          out.push_back({change_action::removed, path});
        } else if (e->mask & IN_MOVED_FROM) {
          moved_out[e->cookie] = {path, out.size(), is_dir};
          out.push_back({change_action::renamed_old_name, path});
        } else if (e->mask & IN_MOVED_TO) {
          auto from = moved_out.find(e->cookie);
          if (from != moved_out.end()) {
            if (is_dir) rename_prefix(from->second.path, path);
            moved_out.erase(from);
            out.push_back({change_action::renamed_new_name, path});
          } else {
            // Moved in from outside the tree: new here.
            if (is_dir) add_tree(path);
            out.push_back({change_action::added, path});
          }
        } else {
          out.push_back({change_action::modified, path});
        }
      }
    }
    // Moved out of the tree: gone from here, as ReadDirectoryChangesW reports it. Folders
    // keep their watches in the kernel; drop them, or their later changes would be
    // reported under the old names.
    for (const auto& [cookie, from] : moved_out) {
      out[from.record].action = change_action::removed;
      if (from.is_dir) remove_prefix(from.path);
    }
    return complete;
  }

  void restart() override {}

  void check_root() override {
    struct stat st;
    if (::stat(root_.c_str(), &st) != 0) sonatrix_io::throw_io_errno(errno);
    if (!S_ISDIR(st.st_mode)) sonatrix_io::throw_io_error(3);
  }

 private:
  [[noreturn]] static void fail(int err) {
    // Out of watches or instances: monitoring cannot work here, polling can.
    if (err == ENOSPC || err == EMFILE || err == ENOSYS)
      throw exception_directory_watch_unsupported(50);
    sonatrix_io::throw_io_errno(err);
  }

  void add_tree(const std::string& relative) {
    std::string full = relative.empty() ? root_ : join_path(root_, relative);
    int wd = inotify_add_watch(fd_, full.c_str(), k_event_mask);
    if (wd < 0) {
      if (relative.empty()) fail(errno);
      if (errno == ENOSPC) fail(errno);
      return;  // gone again already, or unreadable: its parent's records tell the rest
    }
    paths_[wd] = relative;
    try {
      native_fs::list_directory(full, [&](const native_fs::entry& e) {
        if (e.is_folder && e.name != "." && e.name != "..")
          add_tree(relative.empty() ? e.name : join_path(relative, e.name));
        return true;
      });
    } catch (const sonatrix_io::exception_io&) {
      if (relative.empty()) throw;
    }
  }

  static bool under(const std::string& path, const std::string& prefix) {
    return path == prefix || (path.size() > prefix.size() && path.starts_with(prefix) &&
                              path[prefix.size()] == native_fs::path_separator());
  }

  void rename_prefix(const std::string& from, const std::string& to) {
    for (auto& [wd, path] : paths_)
      if (under(path, from)) path = to + path.substr(from.size());
  }

  void remove_prefix(const std::string& prefix) {
    for (auto it = paths_.begin(); it != paths_.end();) {
      if (under(it->second, prefix)) {
        inotify_rm_watch(fd_, it->first);
        it = paths_.erase(it);
      } else {
        ++it;
      }
    }
  }

  std::string root_;
  int fd_ = -1;
  std::unordered_map<int, std::string> paths_;  // watch descriptor → relative path
};

}  // namespace

std::unique_ptr<directory_watch> directory_watch::open(const std::string& native_root) {
  return std::make_unique<inotify_watch>(native_root);
}

}  // namespace lumo
