#include "fs/atomic_replace.h"

#include <chrono>
#include <string>
#include <thread>

#include "core/exceptions.h"
#include "fs/file_system.h"

namespace lumo {

namespace {

void remove_quietly(const file_system& fs, std::string_view url) {
  try {
    fs.remove(url);
  } catch (const std::exception&) {
    // The original failure is what the caller needs to hear about.
  }
}

}  // namespace

void replace_file_atomically(std::string_view url,
                             const std::function<void(file&, const abort_signal&)>& write_content,
                             const abort_signal& abort) {
  const file_system& fs = find_file_system(url);
  if (fs.exists(url) && !fs.get_stats(url).is_writable)
    throw kel::exception("file exists and is read-only");

  std::string temp_url = std::string(url) + ".tmp";
  try {
    file_ptr temp = fs.open(temp_url, open_mode::write_new, abort);
    write_content(*temp, abort);
    // Closed here: Windows cannot move a file that is still open without delete sharing.
    temp.reset();
  } catch (...) {
    remove_quietly(fs, temp_url);
    throw;
  }

  for (int attempt = 1;; ++attempt) {
    try {
      fs.replace(temp_url, url);
      return;
    } catch (const sonatrix_io::exception_io_sharing_violation&) {
      // Someone is reading the target. The new content is complete in the ".tmp", so
      // giving up keeps it there rather than throwing away what the caller wrote.
      if (attempt >= replace_attempts) throw;
    } catch (...) {
      remove_quietly(fs, temp_url);
      throw;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(replace_retry_pause_ms));
  }
}

}  // namespace lumo
