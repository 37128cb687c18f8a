#pragma once
// Keeps one shown folder listed: a worker starts watching the folder, lists it, hands
// the listing to the main thread, and lists again after every change, until the
// session ends (leaving the folder), which sets its abort signal and waits for it.

#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "core/abort.h"
#include "library/browse_model.h"

namespace lumo {

class browse_session {
 public:
  // Main thread. on_listing and on_error run on the main thread, never after the
  // session is destroyed. A folder that cannot be listed or watched reports its error
  // once and the worker ends.
  browse_session(std::string path, std::function<void(folder_listing)> on_listing,
                 std::function<void(const std::string& error)> on_error,
                 std::function<bool(std::string_view path)> accepts = nullptr);
  ~browse_session();
  browse_session(const browse_session&) = delete;
  browse_session& operator=(const browse_session&) = delete;

 private:
  struct shared;
  void run();

  std::string path_;
  std::function<bool(std::string_view)> accepts_;
  std::shared_ptr<shared> shared_;
  abort_source abort_;
  std::thread worker_;
};

}  // namespace lumo
