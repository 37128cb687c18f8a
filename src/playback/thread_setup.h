#pragma once
// What the playback and output threads ask of the system when they start (platform
// seam): the time-critical priority and COM for the calling thread.

namespace lumo {

// Raises the calling thread to time-critical priority (15) where the system allows it.
void raise_thread_priority_time_critical();

// COM initialised for the calling thread while the object lives; the constructor
// throws kel::exception "CoInitialize() failed". Nothing outside Windows.
class com_thread_scope {
 public:
  com_thread_scope();
  ~com_thread_scope();
  com_thread_scope(const com_thread_scope&) = delete;
  com_thread_scope& operator=(const com_thread_scope&) = delete;
};

}  // namespace lumo
