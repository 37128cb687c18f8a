#include "library/logical_compare_system.h"

#include "library/logical_compare.h"

namespace lumo {

int system_logical_compare(std::string_view a, std::string_view b) {
  return logical_compare(a.substr(0, a.find('\0')), b.substr(0, b.find('\0')));
}

}  // namespace lumo
