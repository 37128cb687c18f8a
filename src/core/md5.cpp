#include "core/md5.h"

namespace lumo {

md5_digest md5(std::span<const uint8_t> data) {
  md5_hasher hasher;
  hasher.update(data);
  return hasher.finish();
}

}  // namespace lumo
