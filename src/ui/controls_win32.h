#pragma once
// The main window's own controls: "Lumo:XButton" (a flat glyph button, optionally a
// toggle), "Lumo:VolumeSlider" (a vertical slider, in a small pop-up window) and
// "sonatrix:separator" (a captioned rule). Win32 only.

#include <windows.h>

#include <functional>

#include "ui/theme.h"

namespace lumo {

// How the controls look right now; the main window sets it before repainting them.
struct control_look {
  colour_set colours{};
  bool classic = true;  // draw with the system's visual styles
  UINT dpi = 96;
  HFONT font = nullptr;
};
control_look& current_look();

void register_control_classes();
void unregister_control_classes();

// A button sends WM_COMMAND (BN_CLICKED, its id) to its parent.
HWND create_xbutton(HWND parent, int id, int glyph_base, bool is_toggle);
void xbutton_set_glyph(HWND button, int glyph_base);
void xbutton_set_checked(HWND button, bool checked);

// The pop-up below the anchor; value 0..1000 (1000 = full volume). on_change runs while
// the thumb moves; the pop-up closes itself when it loses activation.
void show_volume_popup(HWND owner, const RECT& anchor_screen, int value,
                       std::function<void(int)> on_change);
bool volume_popup_visible();

}  // namespace lumo
