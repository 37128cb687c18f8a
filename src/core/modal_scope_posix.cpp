#include "core/modal_scope.h"

namespace lumo {

// No windows natively: nothing to point the user at.
void alert_modal_window(window_handle) {}

}  // namespace lumo
