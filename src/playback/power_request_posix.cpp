#include "playback/power_request.h"

namespace lumo {

std::unique_ptr<power_api> make_system_power_api() {
  return nullptr;
}

}  // namespace lumo
