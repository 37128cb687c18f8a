// Feeds arbitrary bytes to the MPEG frame walker: opening (ID3v2 skipping, the frame scan,
// Xing/Info/LAME and VBRI headers, trailing tags) and the walk with resynchronisation,
// counting and reading frames, strict and lenient.
#include <cstddef>
#include <cstdint>

#include "core/abort.h"
#include "core/exceptions.h"
#include "fs/byte_source.h"
#include "input/mpeg/frame_walker.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The first byte picks seekable or streamed reading and strict checking.
  if (size == 0) return 0;
  const bool is_seekable = data[0] & 1;
  const bool is_strict = data[0] & 2;
  lumo::memory_byte_source source({data + 1, size - 1}, is_seekable);
  try {
    lumo::mpeg::frame_walker walker(source);
    const auto layout = walker.open(lumo::null_event_logger(), lumo::abort_none());
    walker.set_reporting(nullptr, is_strict);
    walker.set_seek_table(std::make_shared<lumo::mpeg::seek_table>());
    walker.set_limits(layout.is_frame_count_exact ? layout.frame_count : std::nullopt,
                      layout.stream_end);
    walker.reposition(layout.audio_offset, 0);
    lumo::mpeg::walked_frame frame;
    const auto mode = data[0] & 4 ? lumo::mpeg::walk_mode::count : lumo::mpeg::walk_mode::decode;
    for (int i = 0; i < 4096 && walker.next(frame, mode, lumo::abort_none()); ++i) {
      if (mode == lumo::mpeg::walk_mode::decode && frame.bytes.size() != frame.header.frame_bytes)
        __builtin_trap();
    }
  } catch (const kel::exception&) {
  }
  return 0;
}
