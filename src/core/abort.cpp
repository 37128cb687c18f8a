#include "core/abort.h"

namespace lumo {

namespace {

class never_aborting final : public abort_signal {
 public:
  bool is_aborting() const override { return false; }
  const manual_event& get_abort_event() const override { return never_set_; }

 private:
  manual_event never_set_;
};

}  // namespace

const abort_signal& abort_none() {
  static never_aborting instance;
  return instance;
}

}  // namespace lumo
