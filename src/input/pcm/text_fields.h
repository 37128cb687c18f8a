#pragma once
// Text stored in container chunks: NUL-terminated, of unknown code page.

#include <cstddef>
#include <cstdint>
#include <string>

namespace lumo::pcm {

// The text up to its first NUL, kept when it is valid UTF-8 and otherwise read as
// Latin-1; trailing spaces are dropped.
std::string chunk_text(const uint8_t* bytes, size_t size);

}  // namespace lumo::pcm
