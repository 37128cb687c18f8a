#include "config/load_failure.h"

#include <windows.h>

#include "core/modal_scope.h"
#include "core/unicode.h"

namespace lumo {

bool ask_ok_cancel(const std::string& text) {
  // No owner: this runs during start-up, before any window of ours exists. An empty
  // caption rather than null, which would make the system title it "Error".
  modal_scope scope(nullptr);
  int answer = MessageBoxW(nullptr, to_wide(text).c_str(), L"", MB_OKCANCEL | MB_ICONERROR);
  return answer != IDCANCEL;
}

}  // namespace lumo
