#pragma once
// The main window's own controls: "Lumo:XButton" (a flat glyph button, optionally a
// toggle), "Lumo:VolumeSlider" (a vertical slider, in a small pop-up window) and
// "sonatrix:separator" (a captioned rule). Win32 only.

#include <windows.h>

#include <functional>
#include <string>

#include "ui/theme.h"

namespace lumo {

// How the controls look right now; the main window sets it before repainting them.
struct control_look {
  colour_set colours{};
  bool classic = true;  // draw with the system's visual styles
  UINT dpi = 96;
  HFONT font = nullptr;
  HFONT bold_font = nullptr;
  HFONT underline_font = nullptr;
  HFONT bold_underline_font = nullptr;
};
control_look& current_look();

void register_control_classes();
void unregister_control_classes();

// A button sends WM_COMMAND (BN_CLICKED, its id) to its parent.
HWND create_xbutton(HWND parent, int id, int glyph_base, bool is_toggle);
void xbutton_set_glyph(HWND button, int glyph_base);
void xbutton_set_checked(HWND button, bool checked);

// "Lumo:LinkText": one line of "<a>" link text, its window text. A click on a link sends
// link_clicked_message to the parent (wParam the control's id, lParam the link's index);
// link_centre_message (wParam a link index) answers the link's centre in client
// coordinates as MAKELONG(x, y), or -1, so a test driver can click it like a user.
inline constexpr UINT link_clicked_message = WM_APP + 1;
inline constexpr UINT link_centre_message = WM_APP + 2;
HWND create_link_text(HWND parent, int id, bool bold);
void link_text_set(HWND control, const std::string& text);

// The pop-up below the anchor; value 0..1000 (1000 = full volume). on_change runs while
// the thumb moves; the pop-up closes itself when it loses activation.
void show_volume_popup(HWND owner, const RECT& anchor_screen, int value,
                       std::function<void(int)> on_change);
bool volume_popup_visible();

}  // namespace lumo
