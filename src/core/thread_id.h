#pragma once
#include <cstdint>

namespace lumo {

// The calling thread's identifier; never 0 (platform seam).
uint32_t current_thread_id();

}  // namespace lumo
