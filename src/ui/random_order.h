#pragma once
// "Play this in random order": a shuffle drawn from a caller's random source.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace lumo {

// A permutation of 0..count-1 (Fisher-Yates, with rejection so every order is equally
// likely whatever the source's range).
std::vector<size_t> random_order(size_t count, const std::function<uint32_t()>& random32);

// The system's cryptographic generator (CryptGenRandom on Windows).
uint32_t system_random32();

}  // namespace lumo
