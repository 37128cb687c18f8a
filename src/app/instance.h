#pragma once
// One running instance per profile folder (Windows). The first launch owns a named
// mutex and a hidden window; later launches find that window, hand it their command
// line and end.

#include <cstdint>
#include <string_view>

namespace lumo {

// True when this process is now the instance for key; false when another instance owns
// it (the command line was forwarded to it, or no instance window answered within about
// 30 seconds). Main thread.
bool claim_instance(uint32_t key);

// Shutdown: destroys the instance window and unregisters its class.
void release_instance_window();

}  // namespace lumo
