// The "Playback error" window is a modeless dialog: the message loop hands it its
// keyboard messages, so Escape and Enter close it and Tab moves between its controls.
#include <windows.h>

#include "app/app_services.h"
#include "core/service_registry.h"
#include "playback/playback_error_window.h"

namespace lumo {
namespace {

class playback_error_dialog_filter : public message_filter {
 public:
  bool filter(void* message) override {
    HWND dialog = static_cast<HWND>(playback_error_window());
    return dialog && IsDialogMessageW(dialog, static_cast<MSG*>(message));
  }
};

LUMO_REGISTER_SINGLETON_SERVICE(playback_error_dialog_filter);

}  // namespace
}  // namespace lumo
