#include "input/event_logger.h"

namespace lumo {

namespace {

class null_logger final : public event_logger {
 public:
  void log(std::string_view, event_severity) override {}
};

}  // namespace

event_logger& null_event_logger() {
  static null_logger instance;
  return instance;
}

}  // namespace lumo
