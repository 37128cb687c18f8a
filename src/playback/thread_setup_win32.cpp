#include "playback/thread_setup.h"

#include <objbase.h>
#include <windows.h>

#include "core/exceptions.h"

namespace lumo {

void raise_thread_priority_time_critical() {
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
}

com_thread_scope::com_thread_scope() {
  if (FAILED(CoInitialize(nullptr))) throw kel::exception("CoInitialize() failed");
}

com_thread_scope::~com_thread_scope() {
  CoUninitialize();
}

}  // namespace lumo
