#include <random>

#include "ui/random_order.h"

namespace lumo {

uint32_t system_random32() {
  static std::random_device device;
  return device();
}

}  // namespace lumo
