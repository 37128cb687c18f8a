#pragma once
// What the "Playback error" window shows, without the window: messages collect in one
// open window, separated by blank lines, up to 33 and then "(...)"; a closed window stays
// closed for 10 seconds, and none opens while error popups are switched off.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace lumo {

class playback_error_rules {
 public:
  static constexpr size_t max_messages = 33;
  static constexpr uint64_t reopen_delay_ms = 10000;

  enum class action {
    none,    // dropped
    create,  // open the window with text()
    update,  // the open window's text is now text()
  };

  // now_ms: a millisecond tick count (the system's, or a test clock).
  explicit playback_error_rules(std::function<uint64_t()> now_ms);

  action add(std::string_view message, bool popups_enabled);
  // The user closed the window: nothing opens for the next 10 seconds.
  void closed();

  bool is_open() const { return open_; }
  size_t count() const { return count_; }
  const std::string& text() const { return text_; }

 private:
  std::function<uint64_t()> now_ms_;
  bool open_ = false;
  size_t count_ = 0;
  bool overflowed_ = false;
  std::string text_;
  bool was_closed_ = false;
  uint64_t closed_at_ = 0;
};

}  // namespace lumo
