#include "ui/controls_win32.h"

#include <uxtheme.h>
#include <vssym32.h>
#include <windowsx.h>

#include <algorithm>

#include "core/exceptions.h"
#include "core/unicode.h"
#include "ui/link_text.h"
#include "ui/picture_win32.h"

namespace lumo {

namespace {

const wchar_t xbutton_class[] = L"Lumo:XButton";
const wchar_t slider_class[] = L"Lumo:VolumeSlider";
const wchar_t popup_class[] = L"Lumo:VolumePopup";
const wchar_t link_text_class[] = L"Lumo:LinkText";

struct xbutton_state {
  int glyph_base = 0;
  bool is_toggle = false;
  bool checked = false;
  bool hot = false;
  bool pressed = false;
};

// OpenThemeDataForDpi arrived with Windows 10 1703 and MinGW's uxtheme import library
// lacks it: looked up by name, with the DPI-unaware call as the fallback.
HTHEME open_theme(HWND wnd, const wchar_t* classes, UINT dpi) {
  using open_for_dpi = HTHEME(WINAPI*)(HWND, LPCWSTR, UINT);
  static const open_for_dpi fn = [] {
    HMODULE uxtheme = GetModuleHandleW(L"uxtheme.dll");
    return uxtheme ? reinterpret_cast<open_for_dpi>(
                         reinterpret_cast<void*>(GetProcAddress(uxtheme, "OpenThemeDataForDpi")))
                   : nullptr;
  }();
  return fn ? fn(wnd, classes, dpi) : OpenThemeData(wnd, classes);
}

// Each control's state lives behind GWLP_USERDATA: handed over as CreateWindowExW's
// parameter and freed with the window.
template <class State>
State* control_state(HWND wnd) {
  return reinterpret_cast<State*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
}

template <class State>
void keep_control_state(HWND wnd, UINT msg, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
    SetWindowLongPtrW(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
  } else if (msg == WM_NCDESTROY) {
    delete control_state<State>(wnd);
    SetWindowLongPtrW(wnd, GWLP_USERDATA, 0);
  }
}

// Painted off screen, so hovering and updates never flicker.
void paint_off_screen(HWND wnd, void (*paint)(HWND, HDC)) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(wnd, &ps);
  RECT r;
  GetClientRect(wnd, &r);
  HDC mem = CreateCompatibleDC(dc);
  HBITMAP bmp = CreateCompatibleBitmap(dc, std::max<LONG>(1, r.right), std::max<LONG>(1, r.bottom));
  HGDIOBJ old = SelectObject(mem, bmp);
  HGDIOBJ old_font = GetCurrentObject(mem, OBJ_FONT);
  paint(wnd, mem);
  SelectObject(mem, old_font);
  BitBlt(dc, 0, 0, r.right, r.bottom, mem, 0, 0, SRCCOPY);
  SelectObject(mem, old);
  DeleteObject(bmp);
  DeleteDC(mem);
  EndPaint(wnd, &ps);
}

xbutton_state* state_of(HWND wnd) {
  return control_state<xbutton_state>(wnd);
}

colour mix(colour a, colour b, int percent_b) {
  colour out = 0;
  for (int s = 0; s <= 16; s += 8) {
    const int x = int((a >> s) & 0xff), y = int((b >> s) & 0xff);
    out |= colour(x + (y - x) * percent_b / 100) << s;
  }
  return out;
}

void fill(HDC dc, const RECT& r, colour c) {
  SetDCBrushColor(dc, c);
  FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

void paint_xbutton(HWND wnd, HDC dc) {
  const xbutton_state& s = *state_of(wnd);
  const control_look& look = current_look();
  RECT r;
  GetClientRect(wnd, &r);
  fill(dc, r, look.colours.background);
  const bool down = s.pressed && s.hot;
  bool drawn = false;
  if (look.classic && (s.hot || down || s.checked)) {
    if (HTHEME theme = open_theme(wnd, L"TOOLBAR", look.dpi)) {
      const int state = down        ? TS_PRESSED
                        : s.checked ? (s.hot ? TS_HOTCHECKED : TS_CHECKED)
                                    : TS_HOT;
      drawn = SUCCEEDED(DrawThemeBackground(theme, dc, TP_BUTTON, state, &r, nullptr));
      CloseThemeData(theme);
    }
  }
  if (!drawn && (s.hot || down || s.checked)) {
    // A rounded plate in the highlight colour: full when pressed or on, faint on hover.
    const int percent = down ? 70 : s.checked ? 55 : 30;
    SetDCBrushColor(dc, mix(look.colours.background, look.colours.highlight, percent));
    SetDCPenColor(dc, mix(look.colours.background, look.colours.highlight, percent + 20));
    HGDIOBJ old_brush = SelectObject(dc, GetStockObject(DC_BRUSH));
    HGDIOBJ old_pen = SelectObject(dc, GetStockObject(DC_PEN));
    const int radius = MulDiv(6, int(look.dpi), 96);
    RoundRect(dc, r.left + 1, r.top + 1, r.right - 1, r.bottom - 1, radius, radius);
    SelectObject(dc, old_pen);
    SelectObject(dc, old_brush);
  }
  const int w = r.right - r.left, h = r.bottom - r.top;
  const int size = std::max(8, std::min(w, h) * 3 / 5);
  const bool enabled = IsWindowEnabled(wnd);
  draw_glyph(dc, button_glyph(s.glyph_base, size), (w - size) / 2 + (down ? 1 : 0),
             (h - size) / 2 + (down ? 1 : 0), size, look.colours.text, enabled ? 1.f : 0.35f);
}

LRESULT CALLBACK xbutton_proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  xbutton_state* s = state_of(wnd);
  switch (msg) {
    case WM_NCCREATE:
    case WM_NCDESTROY: keep_control_state<xbutton_state>(wnd, msg, lp); break;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: paint_off_screen(wnd, paint_xbutton); return 0;
    case WM_MOUSEMOVE:
      if (s && !s->hot) {
        s->hot = true;
        TRACKMOUSEEVENT t{sizeof t, TME_LEAVE, wnd, 0};
        TrackMouseEvent(&t);
        InvalidateRect(wnd, nullptr, FALSE);
      }
      if (s && s->pressed) {
        RECT r;
        GetClientRect(wnd, &r);
        const POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
        const bool inside = PtInRect(&r, p);
        if (inside != s->hot) {
          s->hot = inside;
          InvalidateRect(wnd, nullptr, FALSE);
        }
      }
      return 0;
    case WM_MOUSELEAVE:
      if (s && !s->pressed) {
        s->hot = false;
        InvalidateRect(wnd, nullptr, FALSE);
      }
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (s) {
        s->pressed = true;
        s->hot = true;
        SetCapture(wnd);
        InvalidateRect(wnd, nullptr, FALSE);
      }
      return 0;
    case WM_LBUTTONUP:
      if (s && s->pressed) {
        const bool clicked = s->hot;
        s->pressed = false;
        ReleaseCapture();
        InvalidateRect(wnd, nullptr, FALSE);
        if (clicked)
          SendMessageW(GetParent(wnd), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(wnd), BN_CLICKED),
                       reinterpret_cast<LPARAM>(wnd));
      }
      return 0;
    case WM_CAPTURECHANGED:
      if (s && s->pressed) {
        s->pressed = false;
        InvalidateRect(wnd, nullptr, FALSE);
      }
      return 0;
    case WM_ENABLE: InvalidateRect(wnd, nullptr, FALSE); return 0;
    case BM_CLICK:
      SendMessageW(GetParent(wnd), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(wnd), BN_CLICKED),
                   reinterpret_cast<LPARAM>(wnd));
      return 0;
    case BM_GETCHECK: return s && s->checked ? BST_CHECKED : BST_UNCHECKED;
  }
  return DefWindowProcW(wnd, msg, wp, lp);
}

// The slider: value 0..1000 from bottom to top.
struct slider_state {
  int value = 1000;
  bool dragging = false;
  std::function<void(int)> on_change;
};

slider_state* slider_of(HWND wnd) {
  return control_state<slider_state>(wnd);
}

struct slider_geometry {
  RECT track;
  RECT thumb;
};

slider_geometry slider_layout(HWND wnd, int value) {
  RECT r;
  GetClientRect(wnd, &r);
  const UINT dpi = current_look().dpi;
  const int thumb_h = MulDiv(10, int(dpi), 96), track_w = MulDiv(4, int(dpi), 96);
  const int cx = (r.left + r.right) / 2;
  slider_geometry g;
  g.track = {cx - track_w / 2, r.top + thumb_h / 2, cx - track_w / 2 + track_w,
             r.bottom - thumb_h / 2};
  const int span = g.track.bottom - g.track.top;
  const int y = g.track.bottom - MulDiv(span, value, 1000);
  g.thumb = {r.left + MulDiv(2, int(dpi), 96), y - thumb_h / 2, r.right - MulDiv(2, int(dpi), 96),
             y - thumb_h / 2 + thumb_h};
  return g;
}

void paint_slider(HWND wnd, HDC dc) {
  slider_state& s = *slider_of(wnd);
  const control_look& look = current_look();
  RECT r;
  GetClientRect(wnd, &r);
  fill(dc, r, look.colours.background);
  const slider_geometry g = slider_layout(wnd, s.value);
  bool drawn = false;
  if (look.classic) {
    if (HTHEME theme = open_theme(wnd, L"Trackbar", look.dpi)) {
      drawn = SUCCEEDED(
                  DrawThemeBackground(theme, dc, TKP_TRACKVERT, TRVS_NORMAL, &g.track, nullptr)) &&
              SUCCEEDED(DrawThemeBackground(theme, dc, TKP_THUMBVERT,
                                            s.dragging ? TUVS_PRESSED : TUVS_NORMAL, &g.thumb,
                                            nullptr));
      CloseThemeData(theme);
    }
  }
  if (drawn) return;
  // The filled part of the track shows the level in the link colour.
  fill(dc, g.track, mix(look.colours.background, look.colours.text, 25));
  RECT level = g.track;
  level.top = (g.thumb.top + g.thumb.bottom) / 2;
  fill(dc, level, look.colours.link);
  SetDCBrushColor(dc, s.dragging ? look.colours.highlight
                                 : mix(look.colours.background, look.colours.text, 70));
  SetDCPenColor(dc, look.colours.background);
  HGDIOBJ ob = SelectObject(dc, GetStockObject(DC_BRUSH));
  HGDIOBJ op = SelectObject(dc, GetStockObject(DC_PEN));
  const int radius = MulDiv(4, int(look.dpi), 96);
  RoundRect(dc, g.thumb.left, g.thumb.top, g.thumb.right, g.thumb.bottom, radius, radius);
  SelectObject(dc, op);
  SelectObject(dc, ob);
}

void slider_set_from_y(HWND wnd, int y) {
  slider_state& s = *slider_of(wnd);
  const slider_geometry g = slider_layout(wnd, s.value);
  const int span = std::max(1, int(g.track.bottom - g.track.top));
  const int value = std::clamp(MulDiv(g.track.bottom - y, 1000, span), 0, 1000);
  if (value == s.value) return;
  s.value = value;
  InvalidateRect(wnd, nullptr, FALSE);
  if (s.on_change) s.on_change(value);
}

LRESULT CALLBACK slider_proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  slider_state* s = slider_of(wnd);
  switch (msg) {
    case WM_NCCREATE:
    case WM_NCDESTROY: keep_control_state<slider_state>(wnd, msg, lp); break;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: paint_off_screen(wnd, paint_slider); return 0;
    case WM_LBUTTONDOWN:
      s->dragging = true;
      SetCapture(wnd);
      slider_set_from_y(wnd, GET_Y_LPARAM(lp));
      InvalidateRect(wnd, nullptr, FALSE);
      return 0;
    case WM_MOUSEMOVE:
      if (s->dragging) slider_set_from_y(wnd, GET_Y_LPARAM(lp));
      return 0;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
      if (s->dragging) {
        s->dragging = false;
        if (msg == WM_LBUTTONUP) ReleaseCapture();
        InvalidateRect(wnd, nullptr, FALSE);
      }
      return 0;
    case WM_MOUSEWHEEL: {
      const slider_geometry g = slider_layout(wnd, s->value);
      const int step = GET_WHEEL_DELTA_WPARAM(wp) > 0 ? 50 : -50;
      slider_set_from_y(wnd, g.track.bottom - MulDiv(g.track.bottom - g.track.top,
                                                     std::clamp(s->value + step, 0, 1000), 1000));
      return 0;
    }
    case WM_KEYDOWN: {
      int v = s->value;
      if (wp == VK_UP || wp == VK_RIGHT)
        v += 50;
      else if (wp == VK_DOWN || wp == VK_LEFT)
        v -= 50;
      else if (wp == VK_ESCAPE || wp == VK_RETURN) {
        ShowWindow(GetParent(wnd), SW_HIDE);
        return 0;
      } else
        break;
      const slider_geometry g = slider_layout(wnd, s->value);
      slider_set_from_y(
          wnd, g.track.bottom - MulDiv(g.track.bottom - g.track.top, std::clamp(v, 0, 1000), 1000));
      return 0;
    }
    case WM_GETDLGCODE: return DLGC_WANTARROWS;
  }
  return DefWindowProcW(wnd, msg, wp, lp);
}

struct link_text_state {
  bool bold = false;
  std::string text;
  std::vector<std::pair<RECT, int>> links;  // where each link was drawn
  int hot = -1;
};

link_text_state* link_text_of(HWND wnd) {
  return control_state<link_text_state>(wnd);
}

void paint_link_text(HWND wnd, HDC dc) {
  link_text_state& s = *link_text_of(wnd);
  const control_look& look = current_look();
  RECT box;
  GetClientRect(wnd, &box);
  fill(dc, box, look.colours.background);
  SetBkMode(dc, TRANSPARENT);
  s.links.clear();
  int x = box.left;
  for (const link_run& run : split_link_runs(s.text)) {
    if (x >= box.right) break;
    const bool hot = run.link >= 0 && run.link == s.hot;
    SelectObject(dc, s.bold ? (hot ? look.bold_underline_font : look.bold_font)
                            : (hot ? look.underline_font : look.font));
    const std::wstring text = to_wide(run.text);
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), int(text.size()), &size);
    RECT r{x, box.top, std::min<LONG>(box.right, x + size.cx), box.bottom};
    SetTextColor(dc, run.link >= 0 ? look.colours.link : look.colours.text);
    DrawTextW(dc, text.c_str(), int(text.size()), &r,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS | DT_LEFT);
    if (run.link >= 0) s.links.push_back({r, run.link});
    x += size.cx;
  }
}

int link_at(link_text_state& s, POINT p) {
  for (const auto& [r, link] : s.links)
    if (PtInRect(&r, p)) return link;
  return -1;
}

LRESULT CALLBACK link_text_proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  link_text_state* s = link_text_of(wnd);
  switch (msg) {
    case WM_NCCREATE:
    case WM_NCDESTROY: keep_control_state<link_text_state>(wnd, msg, lp); break;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: paint_off_screen(wnd, paint_link_text); return 0;
    case WM_MOUSEMOVE: {
      const int link = link_at(*s, {GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
      if (link != s->hot) {
        s->hot = link;
        InvalidateRect(wnd, nullptr, FALSE);
        TRACKMOUSEEVENT t{sizeof t, TME_LEAVE, wnd, 0};
        TrackMouseEvent(&t);
      }
      return 0;
    }
    case WM_MOUSELEAVE:
      if (s->hot >= 0) {
        s->hot = -1;
        InvalidateRect(wnd, nullptr, FALSE);
      }
      return 0;
    case WM_SETCURSOR:
      if (s->hot >= 0) {
        SetCursor(LoadCursorW(nullptr, IDC_HAND));
        return TRUE;
      }
      break;
    case WM_LBUTTONUP: {
      const int link = link_at(*s, {GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
      if (link >= 0)
        SendMessageW(GetParent(wnd), link_clicked_message, WPARAM(GetDlgCtrlID(wnd)), LPARAM(link));
      return 0;
    }
    case WM_SETTEXT: {
      const LRESULT done = DefWindowProcW(wnd, msg, wp, lp);
      s->text = lp ? from_wide(reinterpret_cast<const wchar_t*>(lp)) : std::string();
      s->hot = -1;
      InvalidateRect(wnd, nullptr, FALSE);
      // Link places are known once drawn; tests ask right after a change.
      UpdateWindow(wnd);
      return done;
    }
    case link_centre_message:
      for (const auto& [r, link] : s->links)
        if (link == int(wp)) return MAKELONG((r.left + r.right) / 2, (r.top + r.bottom) / 2);
      return -1;
  }
  return DefWindowProcW(wnd, msg, wp, lp);
}

HWND g_popup = nullptr;

LRESULT CALLBACK popup_proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_ACTIVATE:
      if (LOWORD(wp) == WA_INACTIVE) ShowWindow(wnd, SW_HIDE);
      return 0;
    case WM_ERASEBKGND: {
      RECT r;
      GetClientRect(wnd, &r);
      fill(reinterpret_cast<HDC>(wp), r, current_look().colours.background);
      return 1;
    }
    case WM_DESTROY:
      if (g_popup == wnd) g_popup = nullptr;
      break;
  }
  return DefWindowProcW(wnd, msg, wp, lp);
}

void register_class(const wchar_t* name, WNDPROC proc, UINT style, HBRUSH background) {
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  wc.style = style;
  wc.lpfnWndProc = proc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = background;
  wc.lpszClassName = name;
  if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
    throw kel::exception_win32(GetLastError());
}

}  // namespace

control_look& current_look() {
  static control_look look;
  return look;
}

void register_control_classes() {
  register_class(xbutton_class, xbutton_proc, CS_DBLCLKS, nullptr);
  register_class(slider_class, slider_proc, 0, nullptr);
  register_class(popup_class, popup_proc, CS_DROPSHADOW, nullptr);
  register_class(link_text_class, link_text_proc, 0, nullptr);
}

void unregister_control_classes() {
  if (g_popup) DestroyWindow(g_popup);
  for (const wchar_t* name : {xbutton_class, slider_class, popup_class, link_text_class})
    UnregisterClassW(name, GetModuleHandleW(nullptr));
}

HWND create_xbutton(HWND parent, int id, int glyph_base, bool is_toggle) {
  auto* s = new xbutton_state;
  s->glyph_base = glyph_base;
  s->is_toggle = is_toggle;
  HWND wnd = CreateWindowExW(0, xbutton_class, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, parent,
                             reinterpret_cast<HMENU>(INT_PTR(id)), GetModuleHandleW(nullptr), s);
  if (!wnd) {
    delete s;
    throw kel::exception_win32(GetLastError());
  }
  return wnd;
}

HWND create_link_text(HWND parent, int id, bool bold) {
  auto* s = new link_text_state;
  s->bold = bold;
  HWND wnd = CreateWindowExW(0, link_text_class, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, parent,
                             reinterpret_cast<HMENU>(INT_PTR(id)), GetModuleHandleW(nullptr), s);
  if (!wnd) {
    delete s;
    throw kel::exception_win32(GetLastError());
  }
  return wnd;
}

void link_text_set(HWND control, const std::string& text) {
  if (link_text_state* s = link_text_of(control); s && s->text != text)
    SetWindowTextW(control, to_wide(text).c_str());
}

void xbutton_set_glyph(HWND button, int glyph_base) {
  if (xbutton_state* s = state_of(button); s && s->glyph_base != glyph_base) {
    s->glyph_base = glyph_base;
    InvalidateRect(button, nullptr, FALSE);
  }
}

void xbutton_set_checked(HWND button, bool checked) {
  if (xbutton_state* s = state_of(button); s && s->checked != checked) {
    s->checked = checked;
    InvalidateRect(button, nullptr, FALSE);
  }
}

void show_volume_popup(HWND owner, const RECT& anchor, int value,
                       std::function<void(int)> on_change) {
  const UINT dpi = current_look().dpi;
  // 28 x 125 dialog units with the slider at 4,4 20 x 116, in the window font's units.
  HDC dc = GetDC(owner);
  HGDIOBJ old = SelectObject(dc, current_look().font);
  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  SIZE ext{};
  GetTextExtentPoint32W(dc, L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", 52, &ext);
  SelectObject(dc, old);
  ReleaseDC(owner, dc);
  const int bx = (ext.cx / 26 + 1) / 2, by = tm.tmHeight;
  (void)dpi;
  const int w = MulDiv(28, bx, 4), h = MulDiv(125, by, 8);
  if (!g_popup) {
    g_popup = CreateWindowExW(WS_EX_TOOLWINDOW, popup_class, L"", WS_POPUP | WS_BORDER, 0, 0, w, h,
                              owner, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!g_popup) throw kel::exception_win32(GetLastError());
    CreateWindowExW(0, slider_class, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 0, 0, 0, g_popup,
                    reinterpret_cast<HMENU>(INT_PTR(1)), GetModuleHandleW(nullptr),
                    new slider_state);
  }
  HWND slider = GetDlgItem(g_popup, 1);
  slider_state* s = slider_of(slider);
  s->value = std::clamp(value, 0, 1000);
  s->on_change = std::move(on_change);
  SetWindowPos(g_popup, HWND_TOP, anchor.left, anchor.bottom, w, h, SWP_SHOWWINDOW);
  SetWindowPos(slider, nullptr, MulDiv(4, bx, 4), MulDiv(4, by, 8), MulDiv(20, bx, 4),
               MulDiv(116, by, 8), SWP_NOZORDER);
  InvalidateRect(slider, nullptr, FALSE);
  SetFocus(slider);
}

bool volume_popup_visible() {
  return g_popup && IsWindowVisible(g_popup);
}

}  // namespace lumo
