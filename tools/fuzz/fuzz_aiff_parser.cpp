// Feeds arbitrary bytes to the AIFF header parser and decodes whatever it accepts.
#include "input/pcm/aiff_parser.h"
#include "pcm_fuzz_driver.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return fuzz_pcm_container(data, size, lumo::pcm::parse_aiff);
}
