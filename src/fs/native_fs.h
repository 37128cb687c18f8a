#pragma once
// The platform seam of the local file system: primitives over native paths (UTF-8, no
// "file://"), implemented by native_fs_win32.cpp with Win32 handles and by
// native_fs_posix.cpp with file descriptors. Everything shared (URLs, modes, buffering,
// listing rules) lives in the portable services. Failures raise the mapped I/O
// exception of the platform error.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "fs/file.h"
#include "fs/file_system.h"

namespace lumo::native_fs {

enum class item_kind { file, directory };

struct entry {
  std::string name;
  bool is_folder = false;
  // A reparse point (Windows) or symbolic link (POSIX): its target may lie anywhere,
  // the folder itself included.
  bool is_link = false;
  uint64_t size = filesize_unknown;
  uint64_t timestamp = filetimestamp_unknown;
};

// '\' on Windows, '/' elsewhere.
char path_separator();

// An unbuffered file object; mode is already validated.
file_ptr open_file(std::string_view path, open_mode mode);
// A read-write file that vanishes when its last handle closes.
file_ptr open_temp_file();

// nullopt when the attributes cannot be read (missing, denied, bad name).
std::optional<item_kind> probe(std::string_view path);
// True when the spelling alone says "directory" (Windows: a trailing '\' or a bare
// drive), so no system call is needed.
bool is_directory_by_name(std::string_view path);
file_stats get_stats(std::string_view path);
void create_directory(std::string_view path);
void remove(std::string_view path);
void move(std::string_view from, std::string_view to);
void replace(std::string_view from, std::string_view to);
// Every entry, "." and ".." included where the platform reports them; on_entry returns
// false to stop. An empty directory calls nothing; a missing one raises.
void list_directory(std::string_view path, const std::function<bool(const entry&)>& on_entry);
// The native path of a "file://" URL or a native path, absolute, in the spelling on disk.
std::string canonical_path(std::string_view url_or_path);
// The process's current directory.
std::string current_directory();

}  // namespace lumo::native_fs
