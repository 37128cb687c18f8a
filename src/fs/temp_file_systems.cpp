// "tempfile://" (a disk file that vanishes on close) and "tempmem://" (a memory file).
// Each URL names a new, unnamed object, so only open makes sense for them.

#include <string>

#include "core/exceptions.h"
#include "core/service_registry.h"
#include "fs/buffered_file.h"
#include "fs/file_system.h"
#include "fs/memory_file.h"
#include "fs/native_fs.h"

namespace lumo {

namespace {

bool starts_with_ignoring_case(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != prefix[i]) return false;
  }
  return true;
}

// The operations that name an existing item have nothing to act on here.
class temp_scheme_file_system : public file_system {
 public:
  temp_scheme_file_system(std::string_view prefix, std::string_view display_name)
      : prefix_(prefix), display_name_(display_name) {}

  bool claims(std::string_view url) const override {
    return starts_with_ignoring_case(url, prefix_);
  }
  std::string display_path(std::string_view) const override { return std::string(display_name_); }
  std::optional<std::string> canonical_path(std::string_view url) const override {
    if (!claims(url)) return std::nullopt;
    return std::string(url);
  }
  bool exists(std::string_view) const override { return false; }
  bool directory_exists(std::string_view) const override { return false; }
  file_stats get_stats(std::string_view) const override { throw sonatrix_io::exception_io(); }
  void create_directory(std::string_view) const override { throw sonatrix_io::exception_io(); }
  void remove(std::string_view) const override { throw sonatrix_io::exception_io(); }
  void move(std::string_view, std::string_view) const override {
    throw sonatrix_io::exception_io();
  }
  void replace(std::string_view, std::string_view) const override {
    throw sonatrix_io::exception_io();
  }
  void list_directory(std::string_view, const directory_callback&,
                      const abort_signal&) const override {
    throw sonatrix_io::exception_io();
  }

 protected:
  bool is_whole_url(std::string_view url) const { return url.size() == prefix_.size(); }

 private:
  std::string_view prefix_;
  std::string_view display_name_;
};

class temp_file_file_system : public temp_scheme_file_system {
 public:
  temp_file_file_system() : temp_scheme_file_system("tempfile://", "<temporary file>") {}

  file_ptr open(std::string_view url, open_mode mode, const abort_signal& abort) const override {
    abort.check();
    if (mode != open_mode::write_new) throw sonatrix_io::exception_io_denied();
    if (!is_whole_url(url)) throw sonatrix_io::exception_io();
    return wrap_buffered(native_fs::open_temp_file());
  }
};

class temp_memory_file_system : public temp_scheme_file_system {
 public:
  temp_memory_file_system() : temp_scheme_file_system("tempmem://", "<temporary memory space>") {}

  file_ptr open(std::string_view url, open_mode mode, const abort_signal& abort) const override {
    abort.check();
    if (mode != open_mode::write_new || !is_whole_url(url)) throw sonatrix_io::exception_io();
    return make_memory_file();
  }
};

LUMO_REGISTER_SINGLETON_SERVICE(temp_file_file_system);
LUMO_REGISTER_SINGLETON_SERVICE(temp_memory_file_system);

}  // namespace

}  // namespace lumo
