#include "fs/atomic_replace.h"

#include <chrono>
#include <string>
#include <thread>

#include "core/exceptions.h"
#include "fs/file_system.h"

namespace lumo {

namespace {

namespace io = sonatrix_io;

void remove_quietly(const file_system& fs, std::string_view url) {
  try {
    fs.remove(url);
  } catch (const std::exception&) {
    // The original failure is what the caller needs to hear about.
  }
}

// Someone holds the target open. Windows reports that as a sharing violation, or as
// access denied when the rename itself finds the target open (NTFS does, and Wine
// alike). A read-only target was refused before anything was written, so "denied"
// here means "busy" - except on write-protected media, which no wait will change.
bool is_target_busy(const io::exception_io& e) {
  if (dynamic_cast<const io::exception_io_sharing_violation*>(&e)) return true;
  if (dynamic_cast<const io::exception_io_write_protected*>(&e)) return false;
  return dynamic_cast<const io::exception_io_denied*>(&e) != nullptr;
}

}  // namespace

void replace_file_atomically(std::string_view url,
                             const std::function<void(file&, const abort_signal&)>& write_content,
                             const abort_signal& abort) {
  replace_file_atomically(url, std::string(url) + ".tmp", write_content, {}, abort);
}

void replace_file_atomically(std::string_view url, std::string_view temp_url_view,
                             const std::function<void(file&, const abort_signal&)>& write_content,
                             const std::function<void()>& before_replace,
                             const abort_signal& abort) {
  const file_system& fs = find_file_system(url);
  if (fs.exists(url) && !fs.get_stats(url).is_writable)
    throw kel::exception("file exists and is read-only");

  const std::string temp_url(temp_url_view);
  try {
    file_ptr temp = fs.open(temp_url, open_mode::write_new, abort);
    write_content(*temp, abort);
    // On the disk before the rename, so the target is never replaced by a file whose
    // content a crash could still lose.
    temp->flush(abort);
    // Closed here: Windows cannot move a file that is still open without delete sharing.
    temp.reset();
    if (before_replace) before_replace();
  } catch (...) {
    remove_quietly(fs, temp_url);
    throw;
  }

  for (int attempt = 1;; ++attempt) {
    try {
      fs.replace(temp_url, url);
      return;
    } catch (const io::exception_io& e) {
      if (!is_target_busy(e)) {
        remove_quietly(fs, temp_url);
        throw;
      }
      // Giving up keeps the ".tmp": it holds the complete new content, and throwing
      // away what the caller wrote would lose data the target never received.
      if (attempt >= replace_attempts) throw;
    } catch (...) {
      remove_quietly(fs, temp_url);
      throw;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(replace_retry_pause_ms));
  }
}

}  // namespace lumo
