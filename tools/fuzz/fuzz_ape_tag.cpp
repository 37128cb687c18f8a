// Fuzzes the APE tag reader (footer checks, items, pictures) and writes back what it read.
#include <cstdint>
#include <span>

#include "core/exceptions.h"
#include "meta/track_info_mutable.h"
#include "tags/ape_tag.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace lumo;
  std::span<const uint8_t> bytes(data, size);
  if (size < ape::block_bytes) return 0;
  try {
    const auto where = ape::parse_footer(bytes.last(ape::block_bytes), size, size);
    auto tag = ape::parse_tag(bytes.subspan(static_cast<size_t>(where.offset)), where.offset);
    track_info_mutable info;
    ape::read_fields(tag, info);
    auto rendered = ape::render_tag(ape::build_tag(&tag, info, {}));
    std::span<const uint8_t> out(reinterpret_cast<const uint8_t*>(rendered.data()),
                                 rendered.size());
    // Our own output must always parse again (an escape here stops the fuzzer).
    ape::parse_tag(out.subspan(ape::block_bytes), 0);
  } catch (const sonatrix_io::exception_io_data&) {
  }
  return 0;
}
