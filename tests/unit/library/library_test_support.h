#pragma once
// Helpers for the library tests: tiny WAV files with tags, a recording library sink and
// a waiting loop that drains the main-thread queue while it polls.

#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "core/main_thread.h"
#include "fs/native_fs.h"
#include "library/folder_watcher.h"
#include "library/media_library.h"
#include "test_folder.h"

namespace lumo::testing {

struct wav_tags {
  std::string title, artist, album, tracknumber;
};

// A valid 8 kHz mono 16-bit WAV of 8 samples with a LIST/INFO chunk.
std::string make_wav(const wav_tags& tags);

// The native path of a file:// URL.
inline std::string native_path(std::string_view url) {
  return std::string(url.substr(7));
}

// The test folder's URL without its trailing separator: a library root location.
inline std::string root_of(const test_folder& f) {
  std::string url = f.url();
  url.pop_back();
  return url;
}

// Polls cond while draining the main-thread queue; false after the timeout.
bool wait_until(const std::function<bool()>& cond,
                std::chrono::milliseconds timeout = std::chrono::seconds(20));

// Collects what a watcher delivers, applied to a set of present tracks.
struct change_sink {
  std::vector<std::string> present;  // sorted "path#subsong"
  size_t batches = 0;
  std::vector<track_handle_ptr> all_added, all_removed, all_modified;

  void apply(library_changes changes);
  bool has(std::string_view url) const;
  std::string title_of(std::string_view url) const;
};

// A watcher reporting into sink.
std::unique_ptr<folder_watcher> make_watcher(const std::string& root_url, change_sink& sink);

void make_directory(const std::string& url);
void remove_path(const std::string& url);
void rename_path(const std::string& from, const std::string& to);

}  // namespace lumo::testing
