// The "file://" scheme: the URL is "file://" followed by the native path, compared
// exactly. The platform work is in native_fs_*.cpp; the rules shared by both builds
// (mode check, buffering, what a listing reports) are here.

#include <string>

#include "core/exceptions.h"
#include "core/service_registry.h"
#include "fs/buffered_file.h"
#include "fs/file_system.h"
#include "fs/native_fs.h"

namespace lumo {

namespace {

constexpr std::string_view k_local_prefix = "file://";

std::string_view native_path(std::string_view url) {
  return url.substr(k_local_prefix.size());
}

// "." and ".." (and names a broken server might send made only of dots and slashes).
bool is_dot_name(std::string_view name) {
  return name.find_first_not_of("./\\") == std::string_view::npos;
}

class local_file_system : public file_system {
 public:
  bool claims(std::string_view url) const override { return url.starts_with(k_local_prefix); }

  std::string display_path(std::string_view url) const override {
    return std::string(native_path(url));
  }

  std::optional<std::string> canonical_path(std::string_view url) const override {
    if (!url.starts_with(k_local_prefix) && url.find("://") != std::string_view::npos)
      return std::nullopt;
    return std::string(k_local_prefix) + native_fs::canonical_path(url);
  }

  file_ptr open(std::string_view url, open_mode mode, const abort_signal& abort) const override {
    abort.check();
    switch (mode) {
      case open_mode::read:
      case open_mode::write_existing:
      case open_mode::write_new: break;
      default: throw kel::exception_invalid_params();
    }
    return wrap_buffered(native_fs::open_file(native_path(url), mode));
  }

  bool exists(std::string_view url) const override {
    return native_fs::probe(native_path(url)) == native_fs::item_kind::file;
  }

  bool directory_exists(std::string_view url) const override {
    std::string_view path = native_path(url);
    return native_fs::is_directory_by_name(path) ||
           native_fs::probe(path) == native_fs::item_kind::directory;
  }

  file_stats get_stats(std::string_view url) const override {
    return native_fs::get_stats(native_path(url));
  }

  void create_directory(std::string_view url) const override {
    native_fs::create_directory(native_path(url));
  }

  void remove(std::string_view url) const override { native_fs::remove(native_path(url)); }

  void move(std::string_view from_url, std::string_view to_url) const override {
    native_fs::move(native_path(from_url), native_path(to_url));
  }

  void replace(std::string_view from_url, std::string_view to_url) const override {
    native_fs::replace(native_path(from_url), native_path(to_url));
  }

  void list_directory(std::string_view url, const directory_callback& on_entry,
                      const abort_signal& abort) const override {
    if (!url.starts_with(k_local_prefix)) throw sonatrix_io::exception_io();
    abort.check();
    std::string folder_url(url);
    if (!folder_url.ends_with(native_fs::path_separator()))
      folder_url += native_fs::path_separator();
    directory_entry item;
    native_fs::list_directory(native_path(url), [&](const native_fs::entry& e) {
      abort.check();
      if (e.is_folder && is_dot_name(e.name)) return true;
      item.url = folder_url + e.name;
      item.is_folder = e.is_folder;
      item.stats = e.is_folder ? file_stats{} : file_stats{e.size, e.timestamp, true};
      return on_entry(item, abort);
    });
  }
};

LUMO_REGISTER_SINGLETON_SERVICE(local_file_system);

}  // namespace

std::string local_url_in_folder(std::string_view folder_path, std::string_view name) {
  std::string url = "file://";
  url += folder_path;
  if (!url.ends_with(native_fs::path_separator())) url += native_fs::path_separator();
  url += name;
  return url;
}

}  // namespace lumo
