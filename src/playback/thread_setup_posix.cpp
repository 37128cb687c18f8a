#include "playback/thread_setup.h"

namespace lumo {

// An unprivileged process cannot raise its threads above normal here; the 10 ms passes
// need no more.
void raise_thread_priority_time_critical() {}

com_thread_scope::com_thread_scope() {}
com_thread_scope::~com_thread_scope() {}

}  // namespace lumo
