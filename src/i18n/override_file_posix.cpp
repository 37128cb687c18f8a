#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <memory>

#include "core/exceptions.h"
#include "i18n/override_file.h"

namespace lumo {

namespace {

struct file_closer {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

std::optional<std::string> read_language_override(std::string_view profile_folder) {
  std::string path(profile_folder);
  if (!path.empty() && path.back() != '/') path += '/';
  path += language_override_name;
  std::unique_ptr<std::FILE, file_closer> file(std::fopen(path.c_str(), "rb"));
  if (!file) {
    if (errno == ENOENT || errno == ENOTDIR) return std::nullopt;
    sonatrix_io::throw_io_errno(errno);
  }
  struct stat info;
  std::optional<uint64_t> size_bytes;
  if (fstat(fileno(file.get()), &info) == 0 && S_ISREG(info.st_mode))
    size_bytes = static_cast<uint64_t>(info.st_size);
  check_language_override_size(size_bytes);
  std::string bytes(static_cast<size_t>(*size_bytes), '\0');
  size_t done = std::fread(bytes.data(), 1, bytes.size(), file.get());
  if (done < bytes.size() && std::ferror(file.get())) sonatrix_io::throw_io_errno(EIO);
  bytes.resize(done);
  return bytes;
}

}  // namespace lumo
