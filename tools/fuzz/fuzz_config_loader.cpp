// Fuzzes the config.dat reader and the record parser. The first byte picks the target:
// even bytes feed the rest as a whole file (mostly stopped by the integrity check);
// odd bytes wrap the rest as a payload with a valid integrity value, so the records
// reach the variables. Every failure must be an exception of our family.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "config/config_file.h"
#include "config/config_vars.h"
#include "core/exceptions.h"
#include "fs/byte_source.h"

using namespace lumo;

namespace {

struct pair_record {
  uint32_t a;
  uint16_t b;
};

// One variable of each kind, with GUIDs that differ only in the first byte so that
// mutations find them easily.
constexpr guid var_id(uint8_t n) {
  return {n, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
}
config_bool g_bool{var_id(1), true};
config_int32 g_int{var_id(2), 0};
config_guid g_guid{var_id(3)};
config_string g_text{var_id(4), "text"};
config_window_position g_window{var_id(5)};
config_font g_font{var_id(6)};
config_blob g_blob{var_id(7)};
config_struct<pair_record> g_struct{var_id(8), {0, 0}};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  std::span<const uint8_t> rest(data + 1, size - 1);
  try {
    std::vector<uint8_t> file;
    if (data[0] & 1) {
      file = encode_config_file(rest, config_integrity_value(rest));
    } else {
      file.assign(rest.begin(), rest.end());
    }
    memory_byte_source in(file);
    config_file_content content = read_config_file(in, file.size(), abort_none());
    apply_config_payload(content.payload, abort_none());
    // What was read must save again.
    (void)build_config_payload(abort_none());
  } catch (const kel::exception&) {
    // Expected for damaged input.
  } catch (...) {
    std::abort();
  }
  return 0;
}
