#pragma once
// Where decoders report stream problems that do not stop decoding (a truncated file,
// a nonsensical header field). The caller supplies the logger; without one, the null
// logger swallows everything.

#include <string_view>

namespace lumo {

enum class event_severity : int { notice = 0, warning = 1, error = 2 };

class event_logger {
 public:
  virtual ~event_logger() = default;
  virtual void log(std::string_view text, event_severity severity) = 0;
};

// The process-wide logger that drops every event.
event_logger& null_event_logger();

}  // namespace lumo
