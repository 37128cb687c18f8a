#include "config/native_separator.h"

namespace lumo {

const char native_separator = '/';

}  // namespace lumo
