#pragma once
// The whole life of Lumo.exe: start-up in its fixed order, the message loop, shutdown.

namespace lumo {

// The process entry's work; instance is the HINSTANCE. Returns the exit code.
int run_lumo(void* instance);

}  // namespace lumo
