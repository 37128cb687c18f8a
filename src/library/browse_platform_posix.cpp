#include "library/browse_platform.h"

#include <dirent.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "core/exceptions.h"

namespace lumo::browse_platform {

namespace {
// How often a blocked watch looks at its abort signal (the event has no descriptor).
constexpr int abort_poll_ms = 50;
}  // namespace

std::vector<drive> list_drives() {
  return {drive{"/", ""}};
}

std::string join_path(std::string_view folder, std::string_view name) {
  std::string out(folder);
  if (out.empty() || out.back() != '/') out += '/';
  out.append(name);
  return out;
}

void list_folder(std::string_view path, const abort_signal& abort,
                 const std::function<void(const folder_item&)>& on_item) {
  const std::string folder(path);
  DIR* dir = opendir(folder.c_str());
  if (!dir) sonatrix_io::throw_io_errno(errno);
  struct closer {
    DIR* d;
    ~closer() { closedir(d); }
  } close_dir{dir};
  while (const dirent* e = readdir(dir)) {
    abort.check();
    folder_item item;
    item.name = e->d_name;
    struct stat st;
    if (stat(join_path(folder, item.name).c_str(), &st) != 0) continue;  // vanished meanwhile
    item.is_directory = S_ISDIR(st.st_mode);
    on_item(item);
  }
}

namespace {

class inotify_folder_watch final : public folder_watch {
 public:
  explicit inotify_folder_watch(std::string_view path) {
    fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ < 0) sonatrix_io::throw_io_errno(errno);
    const std::string p(path);
    if (inotify_add_watch(fd_, p.c_str(),
                          IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ATTRIB |
                              IN_DELETE_SELF | IN_MOVE_SELF) < 0) {
      const int err = errno;
      close(fd_);
      sonatrix_io::throw_io_errno(err);
    }
  }
  ~inotify_folder_watch() override { close(fd_); }

  bool wait_for_change(const abort_signal& abort) override {
    while (!abort.is_aborting()) {
      pollfd p{fd_, POLLIN, 0};
      const int r = poll(&p, 1, abort_poll_ms);
      if (r < 0 && errno != EINTR) sonatrix_io::throw_io_errno(errno);
      if (r > 0) {
        alignas(inotify_event) char buffer[4096];
        while (read(fd_, buffer, sizeof buffer) > 0) {
        }
        return true;
      }
    }
    return false;
  }

 private:
  int fd_ = -1;
};

}  // namespace

std::unique_ptr<folder_watch> watch_folder(std::string_view path) {
  return std::make_unique<inotify_folder_watch>(path);
}

}  // namespace lumo::browse_platform
