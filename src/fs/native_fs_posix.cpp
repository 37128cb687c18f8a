// The local file system on POSIX, for the native build: the native path is whatever
// follows "file://", so a URL reads "file:///home/...". Windows sharing modes have no
// equivalent here and are not emulated.

#include "fs/native_fs.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "core/exceptions.h"

namespace lumo::native_fs {

namespace {

[[noreturn]] void throw_last_errno() {
  sonatrix_io::throw_io_errno(errno);
}

// FILETIME units: 100 ns since 1601-01-01, which is 11644473600 s before the Unix epoch.
uint64_t to_filetime(const timespec& t) {
  constexpr int64_t k_epoch_difference_s = 11644473600;
  int64_t seconds = t.tv_sec + k_epoch_difference_s;
  if (seconds < 0) return filetimestamp_unknown;
  return static_cast<uint64_t>(seconds) * 10'000'000 + static_cast<uint64_t>(t.tv_nsec) / 100;
}

class unique_fd {
 public:
  explicit unique_fd(int fd) : fd_(fd) {}
  ~unique_fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  unique_fd(const unique_fd&) = delete;
  unique_fd& operator=(const unique_fd&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

class posix_file final : public file {
 public:
  posix_file(int fd, bool is_writable) : fd_(fd), is_writable_(is_writable) {}

  size_t read(void* buffer, size_t count_bytes, const abort_signal& abort) override {
    abort.check();
    auto* out = static_cast<std::byte*>(buffer);
    size_t done = 0;
    while (done < count_bytes) {
      ssize_t got = ::pread(fd_.get(), out + done, count_bytes - done, offset());
      if (got < 0) {
        if (errno == EINTR) continue;
        throw_last_errno();
      }
      if (got == 0) break;
      done += static_cast<size_t>(got);
      position_ += static_cast<uint64_t>(got);
    }
    return done;
  }

  void write(const void* buffer, size_t count_bytes, const abort_signal& abort) override {
    abort.check();
    // A descriptor opened read-only fails with EBADF; Windows says "access denied".
    if (!is_writable_) sonatrix_io::throw_io_errno(EACCES);
    auto* in = static_cast<const std::byte*>(buffer);
    size_t done = 0;
    while (done < count_bytes) {
      ssize_t put = ::pwrite(fd_.get(), in + done, count_bytes - done, offset());
      if (put < 0) {
        if (errno == EINTR) continue;
        throw_last_errno();
      }
      if (put == 0) throw sonatrix_io::exception_io("Write failure");
      done += static_cast<size_t>(put);
      position_ += static_cast<uint64_t>(put);
    }
  }

  uint64_t get_size(const abort_signal& abort) override {
    abort.check();
    return static_cast<uint64_t>(stat_fd().st_size);
  }

  uint64_t get_position(const abort_signal& abort) override {
    abort.check();
    return position_;
  }

  void seek(uint64_t position, const abort_signal& abort) override {
    abort.check();
    if (position > get_size(abort)) throw sonatrix_io::exception_io_seek_out_of_range();
    position_ = position;
  }

  void resize(uint64_t size_bytes, const abort_signal& abort) override {
    abort.check();
    if (!is_writable_) throw sonatrix_io::exception_io_denied();
    if (size_bytes > static_cast<uint64_t>(INT64_MAX)) throw kel::exception_overflow();
    if (::ftruncate(fd_.get(), static_cast<off_t>(size_bytes)) != 0) throw_last_errno();
    position_ = std::min(position_, size_bytes);
  }

  void flush(const abort_signal& abort) override {
    abort.check();
    if (is_writable_ && ::fsync(fd_.get()) != 0 && errno != EINVAL) throw_last_errno();
  }

  uint64_t get_timestamp(const abort_signal& abort) override {
    flush(abort);
    return to_filetime(stat_fd().st_mtim);
  }

 private:
  off_t offset() const {
    if (position_ > static_cast<uint64_t>(INT64_MAX))
      throw sonatrix_io::exception_io_seek_out_of_range();
    return static_cast<off_t>(position_);
  }

  struct stat stat_fd() const {
    struct stat st;
    if (::fstat(fd_.get(), &st) != 0) throw_last_errno();
    return st;
  }

  unique_fd fd_;
  bool is_writable_;
  uint64_t position_ = 0;
};

std::string to_string_path(std::string_view path) {
  return std::string(path);
}

}  // namespace

char path_separator() {
  return '/';
}

file_ptr open_file(std::string_view path, open_mode mode) {
  int flags = O_CLOEXEC;
  switch (mode) {
    case open_mode::read: flags |= O_RDONLY; break;
    case open_mode::write_existing: flags |= O_RDWR; break;
    case open_mode::write_new: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
  }
  int fd = ::open(to_string_path(path).c_str(), flags, 0666);
  if (fd < 0) throw_last_errno();
  auto result = std::make_shared<posix_file>(fd, mode != open_mode::read);
  struct stat st;
  if (::fstat(fd, &st) != 0) throw_last_errno();
  // Windows refuses to open a directory as a file (access denied); so do we.
  if (S_ISDIR(st.st_mode)) sonatrix_io::throw_io_errno(EACCES);
  return result;
}

file_ptr open_temp_file() {
  const char* dir = std::getenv("TMPDIR");
  std::string pattern = std::string(dir && *dir ? dir : "/tmp") + "/lumo-XXXXXX";
  int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
  if (fd < 0) throw_last_errno();
  // Unlinked at once: the file lives exactly as long as its descriptor.
  ::unlink(pattern.c_str());
  return std::make_shared<posix_file>(fd, true);
}

std::optional<item_kind> probe(std::string_view path) {
  struct stat st;
  if (::stat(to_string_path(path).c_str(), &st) != 0) return std::nullopt;
  return S_ISDIR(st.st_mode) ? item_kind::directory : item_kind::file;
}

bool is_directory_by_name(std::string_view) {
  return false;
}

file_stats get_stats(std::string_view path) {
  struct stat st;
  if (::stat(to_string_path(path).c_str(), &st) != 0) throw_last_errno();
  return {S_ISDIR(st.st_mode) ? 0 : static_cast<uint64_t>(st.st_size), to_filetime(st.st_mtim),
          (st.st_mode & S_IWUSR) != 0};
}

void create_directory(std::string_view path) {
  if (::mkdir(to_string_path(path).c_str(), 0777) != 0) throw_last_errno();
}

void remove(std::string_view path) {
  std::string p = to_string_path(path);
  struct stat st;
  if (::lstat(p.c_str(), &st) != 0) throw_last_errno();
  if ((S_ISDIR(st.st_mode) ? ::rmdir(p.c_str()) : ::unlink(p.c_str())) != 0) throw_last_errno();
}

void move(std::string_view from, std::string_view to) {
  std::string f = to_string_path(from), t = to_string_path(to);
  if (::renameat2(AT_FDCWD, f.c_str(), AT_FDCWD, t.c_str(), RENAME_NOREPLACE) == 0) return;
  if (errno != EINVAL && errno != ENOSYS) throw_last_errno();
  // File systems without RENAME_NOREPLACE: check, then rename (not atomic, but the
  // target rule still holds for everything but a race).
  struct stat st;
  if (::lstat(t.c_str(), &st) == 0) sonatrix_io::throw_io_errno(EEXIST);
  if (::rename(f.c_str(), t.c_str()) != 0) throw_last_errno();
}

void replace(std::string_view from, std::string_view to) {
  const std::string target = to_string_path(to);
  if (::rename(to_string_path(from).c_str(), target.c_str()) != 0) throw_last_errno();
  // The rename itself lives in the folder: it is durable once the folder is synced.
  const size_t slash = target.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash + 1);
  unique_fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() < 0 || (::fsync(dir.get()) != 0 && errno != EINVAL)) throw_last_errno();
}

void list_directory(std::string_view path, const std::function<bool(const entry&)>& on_entry) {
  std::string folder = to_string_path(path);
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) throw_last_errno();
  struct closer {
    DIR* d;
    ~closer() { ::closedir(d); }
  } close_dir{dir};
  entry e;
  for (;;) {
    errno = 0;
    dirent* d = ::readdir(dir);
    if (!d) {
      if (errno != 0) throw_last_errno();
      return;
    }
    e.name = d->d_name;
    // "." and ".." are listed as Windows lists them, but every caller skips them: a
    // library scan of many small folders spent a good part of its time stating them.
    if (e.name == "." || e.name == "..") {
      e.is_folder = true;
      e.is_link = false;
      e.size = filesize_unknown;
      e.timestamp = filetimestamp_unknown;
      if (!on_entry(e)) return;
      continue;
    }
    // The entry type usually says whether it is a link; only file systems that leave it
    // unknown need the extra lstat.
    if (d->d_type != DT_UNKNOWN) {
      e.is_link = d->d_type == DT_LNK;
    } else {
      struct stat link_st;
      e.is_link = ::fstatat(::dirfd(dir), d->d_name, &link_st, AT_SYMLINK_NOFOLLOW) == 0 &&
                  S_ISLNK(link_st.st_mode);
    }
    struct stat st;
    if (::fstatat(::dirfd(dir), d->d_name, &st, 0) == 0) {
      e.is_folder = S_ISDIR(st.st_mode);
      e.size = static_cast<uint64_t>(st.st_size);
      e.timestamp = to_filetime(st.st_mtim);
    } else {
      // A dangling link or an entry removed meanwhile: still listed, facts unknown.
      e.is_folder = d->d_type == DT_DIR;
      e.size = filesize_unknown;
      e.timestamp = filetimestamp_unknown;
    }
    if (!on_entry(e)) return;
  }
}

std::string canonical_path(std::string_view url_or_path) {
  std::string_view path = url_or_path;
  if (path.starts_with("file://")) path.remove_prefix(7);
  std::error_code ec;
  std::filesystem::path absolute = std::filesystem::absolute(std::filesystem::path(path), ec);
  if (ec) sonatrix_io::throw_io_errno(ec.value());
  return absolute.lexically_normal().string();
}

std::string current_directory() {
  std::error_code ec;
  std::filesystem::path dir = std::filesystem::current_path(ec);
  if (ec) sonatrix_io::throw_io_errno(ec.value());
  return dir.string();
}

}  // namespace lumo::native_fs
