#include "config/load_failure.h"

#include <cstdio>

namespace lumo {

bool ask_ok_cancel(const std::string& text) {
  // The native build has no user interface to ask with: report and go on, as OK would.
  std::fprintf(stderr, "%s\n", text.c_str());
  return true;
}

}  // namespace lumo
