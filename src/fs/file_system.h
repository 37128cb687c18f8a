#pragma once
// File system services: each one claims the URLs of one scheme ("file://",
// "tempfile://", "tempmem://") and performs every file and directory operation on them.
// Services are stateless and may be called from any thread. Failures raise the I/O
// exception family (core/exceptions.h). A file system registers as a singleton service
// beside its code:
//   LUMO_REGISTER_SINGLETON_SERVICE(my_file_system);
// (a singleton, because find_file_system hands out plain references).

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "core/abort.h"
#include "core/guid.h"
#include "core/service.h"
#include "fs/file.h"

namespace lumo {

// The values are part of the interface (callers may pass them as numbers); anything else
// raises kel::exception_invalid_params.
enum class open_mode : int {
  read = 0,            // an existing file, read only; others may read too
  write_existing = 1,  // an existing file, read and write; others may read
  write_new = 2,       // create or truncate, read and write; others may read
};

struct file_stats {
  uint64_t size = filesize_unknown;
  uint64_t timestamp = filetimestamp_unknown;
  bool is_writable = true;  // false when the item carries the read-only attribute
};

struct directory_entry {
  std::string url;
  bool is_folder = false;
  file_stats stats;  // folders: size unknown, timestamp 0
};

// Called for each entry of a listing; returning false stops the listing.
using directory_callback = std::function<bool(const directory_entry&, const abort_signal&)>;

class file_system : public service_base {
 public:
  static constexpr guid class_guid{
      0x6e0c2b47u, 0x1d8a, 0x4f36, {0xb5, 0x9e, 0x27, 0x40, 0xc3, 0x8d, 0x61, 0xfa}};
  using parent_class = service_base;
  using service_class = file_system;

  virtual bool claims(std::string_view url) const = 0;
  // The location as a user should read it (for local files, the native path).
  virtual std::string display_path(std::string_view url) const = 0;
  // The one spelling of a location, or nullopt when url belongs to another scheme.
  virtual std::optional<std::string> canonical_path(std::string_view url) const = 0;

  // Returns the file positioned at 0. Disk files come wrapped in the read buffer.
  virtual file_ptr open(std::string_view url, open_mode mode, const abort_signal& abort) const = 0;

  // True for an existing item that is not a directory; false for anything unreadable.
  virtual bool exists(std::string_view url) const = 0;
  virtual bool directory_exists(std::string_view url) const = 0;
  virtual file_stats get_stats(std::string_view url) const = 0;
  // An existing directory raises exception_io_already_exists.
  virtual void create_directory(std::string_view url) const = 0;
  // Removes a file or an empty directory.
  virtual void remove(std::string_view url) const = 0;
  // Fails (exception_io_already_exists) when the target exists.
  virtual void move(std::string_view from_url, std::string_view to_url) const = 0;
  // Moves over an existing target.
  virtual void replace(std::string_view from_url, std::string_view to_url) const = 0;
  // Calls on_entry for each file and folder ("." and ".." left out). An empty
  // directory calls nothing; a missing one raises exception_io_not_found.
  virtual void list_directory(std::string_view url, const directory_callback& on_entry,
                              const abort_signal& abort) const = 0;
};

// The first service (registry order) that claims url; exception_io_no_handler_for_path
// when none does.
const file_system& find_file_system(std::string_view url);

// Asks each service in turn; nullopt when none knows the location.
std::optional<std::string> make_canonical_path(std::string_view url);

// The "file://" URL of name inside the local folder folder_path, with the platform's
// separator added when folder_path lacks a trailing one.
std::string local_url_in_folder(std::string_view folder_path, std::string_view name);

inline file_ptr open_file(std::string_view url, open_mode mode, const abort_signal& abort) {
  return find_file_system(url).open(url, mode, abort);
}

}  // namespace lumo
