// The main window: one custom-drawn surface (now-playing lines, navigation bar, view
// title, album picture) with glyph buttons, a virtual list view for the library and a
// pop-up volume slider. Everything it shows comes from a library_browser and a
// playback_port, so it does not care which library or engine stands behind them.

#include "ui/main_window.h"

#include <windows.h>

#include <commctrl.h>
#include <objidl.h>
#include <shellapi.h>
#include <shlobj.h>
#include <uxtheme.h>
#include <windowsx.h>

#include <gdiplus.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>

#include "config/config_vars.h"
#include "core/debug_output.h"
#include "core/exceptions.h"
#include "core/unicode.h"
#include "fs/file_system.h"
#include "i18n/language_table.h"
#include "input/input_open.h"
#include "library/media_library.h"
#include "meta/time_text.h"
#include "meta/title_format.h"
#include "meta/track_info_title_format_hook.h"
#include "ui/album_picture.h"
#include "ui/controls_win32.h"
#include "ui/engineless_playback.h"
#include "ui/library_view_browser.h"
#include "ui/link_text.h"
#include "ui/main_layout.h"
#include "ui/picture_win32.h"
#include "ui/random_order.h"
#include "ui/theme.h"

namespace lumo {

namespace {

const wchar_t main_window_class[] = L"Lumo.MainWindow";
const wchar_t separator_class[] = L"sonatrix:separator";

// Where the window was when the program last ended (its normal, unmaximised frame).
config_window_position g_placement{
    {0x3f8c2d71u, 0xa4e6, 0x4b90, {0x8e, 0x15, 0x62, 0xd7, 0x0b, 0xc9, 0x43, 0xfa}}};
config_bool g_show_pictures{
    {0xb9624a96u, 0x1dbb, 0x4608, {0xaf, 0x6d, 0x07, 0x3c, 0xb8, 0xc4, 0x0e, 0x20}}, true};
// The view and its navigation path, one line each, replayed at the next start.
config_string g_saved_path{
    {0x52b7e0c4u, 0x1f3a, 0x4d86, {0x9c, 0x2e, 0x7b, 0x40, 0xd1, 0x65, 0xa8, 0x13}}, ""};

enum control_id : int {
  id_play_pause = 100,
  id_volume,
  id_rewind,
  id_fast_forward,
  id_repeat,
  id_full_screen,
  id_menu,
  id_back,
  id_forward,
  id_play,
  id_list = 200,
  id_separator,
  id_notice,
};

// Glyph resource bases, as scripts/make-button-images.sh numbers them.
enum glyph : int {
  glyph_play = 1000,
  glyph_pause = 1100,
  glyph_volume = 1200,
  glyph_rewind = 1300,
  glyph_fast_forward = 1400,
  glyph_repeat = 1500,
  glyph_full_screen = 1600,
  glyph_menu = 1700,
  glyph_back = 1800,
  glyph_forward = 1900,
};

enum menu_id : UINT {
  cmd_save_configuration = 1000,
  cmd_reset_configuration,
  cmd_restart,
  cmd_exit,
  cmd_show_pictures,
  cmd_stop,
  cmd_pause,
  cmd_play,
  cmd_next,
  cmd_previous,
  cmd_about,
  cmd_website,
  cmd_monitor_folders,
  cmd_scan_folders,
  cmd_repeat_off,  // repeat_mode order: off, all, one
  cmd_repeat_all,
  cmd_repeat_one,
  cmd_shuffle,
  cmd_theme_first = 1100,  // + index in all_themes
  cmd_browse = 1200,
  cmd_start_here,
  cmd_play_this,
  cmd_play_random,
  cmd_show_in_explorer,
  cmd_go_to_folder,
};

constexpr UINT_PTR position_timer = 1;
constexpr double seek_step_seconds = 5;

// The lines drawn with links, in hit-test order.
enum text_line { line_now_playing_1, line_now_playing_2, line_navigation, line_title, line_count };

constexpr int id_line_first = 300;  // + text_line

struct window_state {
  HWND wnd = nullptr;
  HWND list = nullptr;
  HWND tooltip = nullptr;
  HWND separator = nullptr;
  HWND notice = nullptr;
  HWND buttons[10] = {};

  std::unique_ptr<library_browser> browser;
  browser_location shown;  // where the list was last filled from
  std::unique_ptr<playback_port> playback;
  std::vector<browser_location> back, forward;

  UINT dpi = 96;
  HFONT font = nullptr, bold_font = nullptr, underline_font = nullptr,
        bold_underline_font = nullptr;
  dialog_base_units base;
  main_layout layout;
  colour_set colours{};
  bool classic = true;

  HWND lines[line_count] = {};
  std::vector<now_playing_link> np_links;
  int hot_item = -1;

  bool has_played = false;
  bool repeat = false;
  std::optional<track_location> np_track;
  std::unique_ptr<track_info_mutable> np_info;
  bitmap_ptr picture;

  bool full_screen = false;
  WINDOWPLACEMENT before_full_screen{};
  LONG_PTR style_before_full_screen = 0;

  UINT shell_hook_message = 0;
  UINT taskbar_created_message = 0;
  main_window_hooks hooks;
  std::wstring scratch;  // list text handed to the list view until its next request
  bool reported_first_paint = false;
  bool list_filled = false;  // the browser has been attached and the list shows its entries
};

window_state* g_window = nullptr;
std::unique_ptr<library_browser> g_pending_browser;
std::unique_ptr<playback_port> g_pending_playback;

window_state& win() {
  return *g_window;
}

std::wstring text_w(std::string_view id) {
  return to_wide(get_text(id));
}

// ---- look: fonts, colours, layout --------------------------------------------------

system_colours read_system_colours() {
  return {GetSysColor(COLOR_WINDOWTEXT), GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_HIGHLIGHT)};
}

void delete_fonts(window_state& w) {
  for (HFONT* f : {&w.font, &w.bold_font, &w.underline_font, &w.bold_underline_font}) {
    if (*f) DeleteObject(*f);
    *f = nullptr;
  }
}

void make_fonts(window_state& w) {
  delete_fonts(w);
  NONCLIENTMETRICSW ncm = {};
  ncm.cbSize = sizeof ncm;
  LOGFONTW lf = {};
  if (SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0, w.dpi)) {
    lf = ncm.lfMessageFont;
  } else {
    lf.lfHeight = -MulDiv(9, int(w.dpi), 72);
    lf.lfWeight = FW_NORMAL;
    lf.lfQuality = CLEARTYPE_QUALITY;
    wcscpy(lf.lfFaceName, L"Segoe UI");
  }
  w.font = CreateFontIndirectW(&lf);
  LOGFONTW bold = lf;
  bold.lfWeight = FW_SEMIBOLD;
  w.bold_font = CreateFontIndirectW(&bold);
  LOGFONTW under = lf;
  under.lfUnderline = TRUE;
  w.underline_font = CreateFontIndirectW(&under);
  bold.lfUnderline = TRUE;
  w.bold_underline_font = CreateFontIndirectW(&bold);

  HDC dc = GetDC(w.wnd);
  HGDIOBJ old = SelectObject(dc, w.font);
  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  SIZE ext{};
  GetTextExtentPoint32W(dc, L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", 52, &ext);
  SelectObject(dc, old);
  ReleaseDC(w.wnd, dc);
  // The average width as dialogs compute it (rounded), and the character height.
  w.base = {int((ext.cx / 26 + 1) / 2), int(tm.tmHeight)};
}

void apply_theme(window_state& w) {
  const theme_kind kind = current_theme();
  w.classic = kind == theme_kind::classic;
  w.colours = colours_for(kind, read_system_colours());
  control_look& look = current_look();
  look.colours = w.colours;
  look.classic = w.classic;
  look.dpi = w.dpi;
  look.font = w.font;
  look.bold_font = w.bold_font;
  look.underline_font = w.underline_font;
  look.bold_underline_font = w.bold_underline_font;
  if (w.list) {
    // The classic set takes the system's list look; the others are drawn in their colours.
    SetWindowTheme(w.list, w.classic ? L"explorer" : L"", nullptr);
    ListView_SetBkColor(w.list, w.colours.background);
    ListView_SetTextBkColor(w.list, w.colours.background);
    ListView_SetTextColor(w.list, w.colours.text);
  }
  InvalidateRect(w.wnd, nullptr, TRUE);
  for (HWND child = GetWindow(w.wnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    InvalidateRect(child, nullptr, TRUE);
}

HWND button(window_state& w, int id) {
  return w.buttons[id - id_play_pause];
}

void place(HWND wnd, const pixel_rect& r) {
  SetWindowPos(wnd, nullptr, r.x, r.y, r.width, r.height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void relayout(window_state& w) {
  RECT client;
  GetClientRect(w.wnd, &client);
  const bool picture = g_show_pictures.get() && w.picture;
  w.layout = layout_main_window(w.base, client.right, client.bottom, picture);
  const std::pair<int, window_part> parts[] = {{id_play_pause, window_part::play_pause},
                                               {id_volume, window_part::volume},
                                               {id_rewind, window_part::rewind},
                                               {id_fast_forward, window_part::fast_forward},
                                               {id_repeat, window_part::repeat},
                                               {id_full_screen, window_part::full_screen},
                                               {id_menu, window_part::menu},
                                               {id_back, window_part::back},
                                               {id_forward, window_part::forward},
                                               {id_play, window_part::play}};
  HDWP defer = BeginDeferWindowPos(18);
  auto move = [&](HWND h, const pixel_rect& r) {
    if (defer)
      defer = DeferWindowPos(defer, h, nullptr, r.x, r.y, r.width, r.height,
                             SWP_NOZORDER | SWP_NOACTIVATE);
  };
  for (const auto& [id, part] : parts) move(button(w, id), w.layout[part]);
  move(w.separator, w.layout[window_part::separator]);
  move(w.lines[line_now_playing_1], w.layout[window_part::now_playing_1]);
  move(w.lines[line_now_playing_2], w.layout[window_part::now_playing_2]);
  move(w.lines[line_navigation], w.layout[window_part::navigation_bar]);
  move(w.lines[line_title], w.layout[window_part::view_title]);
  move(w.list, w.layout[window_part::list]);
  if (defer) EndDeferWindowPos(defer);
  place(w.notice, w.layout[window_part::indexing_notice]);
  // One full-width column; the list view has no header.
  RECT lr;
  GetClientRect(w.list, &lr);
  ListView_SetColumnWidth(w.list, 0, lr.right);
  // Rows get some air: 1.6 lines, through a transparent image list of that height.
  HIMAGELIST rows = ImageList_Create(1, MulDiv(w.base.y, 8, 5), ILC_COLOR32, 1, 0);
  HIMAGELIST old = ListView_SetImageList(w.list, rows, LVSIL_SMALL);
  if (old) ImageList_Destroy(old);
  InvalidateRect(w.wnd, nullptr, FALSE);
}

// ---- texts ------------------------------------------------------------------------

class playback_time_hook final : public title_format_null_hook {
 public:
  playback_time_hook(title_format_hook& track, double position)
      : track_(track), position_(position) {}
  bool process_field(title_format_field_output& out, std::string_view name, bool& found) override {
    if (name == "playback_time") {
      out.write(format_time_text(position_), title_format_text_kind::other);
      found = true;
      return true;
    }
    return track_.process_field(out, name, found);
  }

 private:
  title_format_hook& track_;
  double position_;
};

std::string format_with(std::string_view script, title_format_hook& hook) {
  return title_format_script::compile(script).format(hook);
}

void refresh_now_playing(window_state& w) {
  const std::optional<track_location> track = w.playback->playing_track();
  if (track != w.np_track) {
    w.np_track = track;
    w.np_info.reset();
    w.picture.reset();
    if (track) {
      try {
        auto reader = open_input_info_reader(track->path, nullptr, abort_none());
        w.np_info = std::make_unique<track_info_mutable>();
        reader->get_info(track->subsong_index, *w.np_info, abort_none());
      } catch (const std::exception& e) {
        debug_output(std::string("Now playing: ") + e.what() + "\n");
        w.np_info.reset();
      }
      if (g_show_pictures.get()) {
        auto report = [](const std::string& problem) { debug_output(problem + "\n"); };
        if (auto bytes = read_album_picture(track->path, abort_none(), report)) {
          try {
            w.picture = decode_picture(*bytes);
          } catch (const std::exception& e) {
            debug_output(track->path + ": " + e.what() + "\n");
          }
        }
      }
    }
    relayout(w);
  }
  if (track && w.np_info) {
    track_info_title_format_hook info_hook(*w.np_info, &*track);
    playback_time_hook hook(info_hook, w.playback->position_seconds());
    now_playing_fields f;
    f.title = format_with("%title%", hook);
    f.time = format_with(" '['%playback_time%[ / %length%]']'", hook);
    f.artist = format_with("[%artist%]", hook);
    f.other_artist = format_with("$if(%track artist%,%album artist%,)", hook);
    f.album = format_with("[%album%]", hook);
    f.album_artist = format_with("[%album artist%]", hook);
    f.date = format_with("[%date%]", hook);
    now_playing_text t = format_now_playing(f);
    w.np_links = t.line2_links;
    link_text_set(w.lines[line_now_playing_1], t.line1);
    link_text_set(w.lines[line_now_playing_2], t.line2);
  } else {
    w.np_links.clear();
    const char* notice = w.playback->is_playing() ? "ui_notice_playback_starting"
                         : w.has_played           ? "ui_notice_playback_stopped"
                                                  : nullptr;
    link_text_set(w.lines[line_now_playing_1], notice ? escape_link_name(get_text(notice)) : "");
    link_text_set(w.lines[line_now_playing_2], "");
  }
  const bool playing = w.playback->is_playing() && !w.playback->is_paused();
  xbutton_set_glyph(button(w, id_play_pause), playing ? glyph_pause : glyph_play);
  if (w.tooltip) {
    std::wstring tip = text_w(playing ? "ui_pause" : "ui_play");
    TOOLINFOW ti = {};
    ti.cbSize = sizeof ti;
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.hwnd = w.wnd;
    ti.uId = reinterpret_cast<UINT_PTR>(button(w, id_play_pause));
    ti.lpszText = tip.data();
    SendMessageW(w.tooltip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&ti));
  }
  if (playing)
    SetTimer(w.wnd, position_timer, 500, nullptr);
  else
    KillTimer(w.wnd, position_timer);
  RECT top{0, 0, 0, w.layout[window_part::separator].y};
  GetClientRect(w.wnd, &top);
  top.bottom = w.layout[window_part::separator].y;
  InvalidateRect(w.wnd, &top, FALSE);
}

void refresh_list(window_state& w) {
  link_text_set(w.lines[line_navigation], navigation_bar_text(w.browser->folder_count()));
  link_text_set(w.lines[line_title], w.browser->title());
  w.hot_item = -1;
  const browser_location where = w.browser->location();
  if (where == w.shown) {
    // The same view with new content (the library changed): the place in it stays.
    ListView_SetItemCountEx(w.list, int(w.browser->entry_count()),
                            LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
  } else {
    w.shown = where;
    ListView_SetItemCountEx(w.list, int(w.browser->entry_count()), 0);
    ListView_SetItemState(w.list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    if (w.browser->entry_count() > 0) ListView_SetItemState(w.list, 0, LVIS_FOCUSED, LVIS_FOCUSED);
    ListView_EnsureVisible(w.list, 0, FALSE);
  }
  ShowWindow(w.notice, w.browser->is_indexing() ? SW_SHOWNA : SW_HIDE);
  EnableWindow(button(w, id_back), !w.back.empty());
  EnableWindow(button(w, id_forward), !w.forward.empty());
  InvalidateRect(w.list, nullptr, TRUE);
  InvalidateRect(w.wnd, nullptr, FALSE);
}

// ---- navigation -------------------------------------------------------------------

// Every move records where the browser was, so Back returns there.
template <typename Move>
void navigate(window_state& w, Move move) {
  const browser_location before = w.browser->location();
  move();
  if (w.browser->location() == before) return;
  w.back.push_back(before);
  w.forward.clear();
  refresh_list(w);
}

void go_back(window_state& w) {
  if (w.back.empty()) return;
  w.forward.push_back(w.browser->location());
  w.browser->go_to(w.back.back());
  w.back.pop_back();
  refresh_list(w);
}

void go_forward(window_state& w) {
  if (w.forward.empty()) return;
  w.back.push_back(w.browser->location());
  w.browser->go_to(w.forward.back());
  w.forward.pop_back();
  refresh_list(w);
}

std::vector<size_t> selected_entries(window_state& w) {
  std::vector<size_t> out;
  for (int i = ListView_GetNextItem(w.list, -1, LVNI_SELECTED); i >= 0;
       i = ListView_GetNextItem(w.list, i, LVNI_SELECTED))
    out.push_back(size_t(i));
  return out;
}

void play_entries(window_state& w, const std::vector<size_t>& entries, size_t start,
                  bool shuffled) {
  std::vector<track_location> tracks = w.browser->tracks_of(entries);
  if (tracks.empty()) return;
  if (shuffled) {
    std::vector<track_location> order;
    for (size_t i : random_order(tracks.size(), system_random32)) order.push_back(tracks[i]);
    tracks = std::move(order);
  }
  w.has_played = true;
  w.playback->play(std::move(tracks), start);
}

// Plays the list from an entry: a track with the list's other tracks (a folder's files
// without its subfolders), a group with the other groups (never with the "all" entry,
// which would repeat them), starting where the chosen entry's tracks begin.
void play_list_from(window_state& w, size_t chosen) {
  const bool groups = w.browser->entry_opens(chosen);
  std::vector<size_t> entries, before;
  for (size_t i = 0; i < w.browser->entry_count(); ++i) {
    if (w.browser->entry_is_all(i) || w.browser->entry_opens(i) != groups) continue;
    entries.push_back(i);
    if (i < chosen) before.push_back(i);
  }
  play_entries(w, entries, groups ? w.browser->tracks_of(before).size() : before.size(), false);
}

// Enter or a double click: groups open, tracks play the list from there.
void activate_entries(window_state& w) {
  std::vector<size_t> chosen = selected_entries(w);
  const int focused = ListView_GetNextItem(w.list, -1, LVNI_FOCUSED);
  // A fresh list has its first entry focused but nothing selected: Enter takes that one.
  if (chosen.empty() && focused >= 0 && size_t(focused) < w.browser->entry_count())
    chosen.push_back(size_t(focused));
  if (chosen.empty()) return;
  if (w.browser->entry_opens(chosen.front())) {
    navigate(w, [&] { w.browser->open_entries(chosen); });
    return;
  }
  const bool focus_on_track = focused >= 0 && !w.browser->entry_opens(size_t(focused));
  play_list_from(w, focus_on_track ? size_t(focused) : chosen.front());
}

void open_link(window_state& w, int line, int link) {
  switch (line) {
    case line_navigation:
      navigate(w, [&] { w.browser->go_to({navigation_target(link), {}}); });
      return;
    case line_title: navigate(w, [&] { w.browser->open_title_link(size_t(link)); }); return;
    case line_now_playing_2: {
      if (!w.np_info || size_t(link) >= w.np_links.size()) return;
      const std::string artist = w.np_info->meta_joined("artist");
      std::string album_artist = w.np_info->meta_joined("album artist");
      if (album_artist.empty()) album_artist = artist;
      const std::string album = w.np_info->meta_joined("album");
      navigate(w, [&] {
        switch (w.np_links[size_t(link)]) {
          case now_playing_link::artist: w.browser->show_artist(artist); break;
          case now_playing_link::album_artist: w.browser->show_artist(album_artist); break;
          case now_playing_link::album: w.browser->show_album(album_artist, album); break;
        }
      });
      return;
    }
  }
}

// ---- playback ---------------------------------------------------------------------

double slider_to_db(int value) {
  return value <= 0 ? -100.0 : std::max(-100.0, 40.0 * std::log10(value / 1000.0));
}

int db_to_slider(double db) {
  return db <= -100 ? 0 : int(std::lround(1000.0 * std::pow(10.0, db / 40.0)));
}

void transport(window_state& w, transport_command command) {
  playback_port& p = *w.playback;
  switch (command) {
    case transport_command::play:
      if (p.is_paused()) {
        p.set_paused(false);
      } else if (!p.is_playing()) {
        std::vector<size_t> chosen = selected_entries(w);
        if (chosen.empty())
          for (size_t i = 0; i < w.browser->entry_count(); ++i) chosen.push_back(i);
        play_entries(w, chosen, 0, false);
      }
      return;
    case transport_command::pause: p.toggle_pause(); return;
    case transport_command::stop: p.stop(); return;
    case transport_command::next: p.next(); return;
    case transport_command::previous: p.previous(); return;
  }
}

void toggle_play_pause(window_state& w) {
  if (w.playback->is_playing())
    w.playback->toggle_pause();
  else
    transport(w, transport_command::play);
}

// ---- full screen ------------------------------------------------------------------

void set_full_screen(window_state& w, bool on) {
  if (on == w.full_screen) return;
  if (on) {
    w.before_full_screen.length = sizeof w.before_full_screen;
    GetWindowPlacement(w.wnd, &w.before_full_screen);
    w.style_before_full_screen = GetWindowLongPtrW(w.wnd, GWL_STYLE);
    MONITORINFO mi = {};
    mi.cbSize = sizeof mi;
    GetMonitorInfoW(MonitorFromWindow(w.wnd, MONITOR_DEFAULTTONEAREST), &mi);
    SetWindowLongPtrW(w.wnd, GWL_STYLE,
                      (w.style_before_full_screen & ~WS_OVERLAPPEDWINDOW) | WS_POPUP);
    SetWindowPos(w.wnd, HWND_TOP, mi.rcMonitor.left, mi.rcMonitor.top,
                 mi.rcMonitor.right - mi.rcMonitor.left, mi.rcMonitor.bottom - mi.rcMonitor.top,
                 SWP_FRAMECHANGED | SWP_NOOWNERZORDER);
  } else {
    SetWindowLongPtrW(w.wnd, GWL_STYLE, w.style_before_full_screen);
    SetWindowPlacement(w.wnd, &w.before_full_screen);
    SetWindowPos(w.wnd, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOOWNERZORDER | SWP_FRAMECHANGED);
  }
  w.full_screen = on;
  xbutton_set_checked(button(w, id_full_screen), on);
}

// ---- menus ------------------------------------------------------------------------

void append(HMENU menu, UINT id, std::string_view text_id, bool checked = false,
            bool enabled = true) {
  std::wstring text = text_w(text_id);
  AppendMenuW(menu, MF_STRING | (checked ? MF_CHECKED : 0u) | (enabled ? 0u : MF_GRAYED), id,
              text.c_str());
}

void append_popup(HMENU menu, HMENU sub, std::string_view text_id) {
  std::wstring text = text_w(text_id);
  AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), text.c_str());
}

void show_main_menu(window_state& w) {
  HMENU menu = CreatePopupMenu();
  HMENU file = CreatePopupMenu();
  media_library& library = media_library::get();
  append(file, cmd_monitor_folders, "menu_monitor_folders", library.is_monitoring());
  if (library.is_scan_offered()) append(file, cmd_scan_folders, "menu_scan_folders");
  AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
  append(file, cmd_save_configuration, "menu_save_configuration");
  append(file, cmd_reset_configuration, "menu_reset_configuration");
  AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
  append(file, cmd_restart, "menu_restart");
  append(file, cmd_exit, "menu_exit");
  HMENU view = CreatePopupMenu();
  append(view, cmd_show_pictures, "menu_show_album_pictures", g_show_pictures.get());
  HMENU themes = CreatePopupMenu();
  const theme_kind current = current_theme();
  for (size_t i = 0; i < all_themes.size(); ++i) {
    std::wstring text = text_w(all_themes[i].label_id);
    AppendMenuW(themes, MF_STRING, cmd_theme_first + i, text.c_str());
    if (all_themes[i].kind == current)
      CheckMenuRadioItem(themes, cmd_theme_first, UINT(cmd_theme_first + all_themes.size() - 1),
                         UINT(cmd_theme_first + i), MF_BYCOMMAND);
  }
  append_popup(view, themes, "menu_group_theme");
  HMENU playback = CreatePopupMenu();
  const bool playing = w.playback->is_playing();
  append(playback, cmd_stop, "menu_stop", false, playing);
  append(playback, cmd_pause, "menu_pause", w.playback->is_paused(), playing);
  append(playback, cmd_play, "menu_play");
  append(playback, cmd_next, "menu_play_next", false, playing);
  append(playback, cmd_previous, "menu_play_prev", false, playing);
  AppendMenuW(playback, MF_SEPARATOR, 0, nullptr);
  append(playback, cmd_repeat_off, "menu_repeat_off");
  append(playback, cmd_repeat_all, "menu_repeat_all");
  append(playback, cmd_repeat_one, "menu_repeat_one");
  CheckMenuRadioItem(playback, cmd_repeat_off, cmd_repeat_one,
                     cmd_repeat_off + static_cast<UINT>(w.playback->repeat()), MF_BYCOMMAND);
  append(playback, cmd_shuffle, "menu_shuffle", w.playback->shuffle());
  HMENU help = CreatePopupMenu();
  append(help, cmd_about, "menu_about");
#ifdef LUMO_WEBSITE
  append(help, cmd_website, "menu_website");
#endif
  append_popup(menu, file, "menu_group_file");
  append_popup(menu, view, "menu_group_view");
  append_popup(menu, playback, "menu_group_playback");
  append_popup(menu, help, "menu_group_help");
  RECT r;
  GetWindowRect(button(w, id_menu), &r);
  TrackPopupMenuEx(menu, TPM_RIGHTALIGN | TPM_TOPALIGN, r.right, r.bottom, w.wnd, nullptr);
  DestroyMenu(menu);
}

std::wstring native_path(const std::string& url) {
  constexpr std::string_view prefix = "file://";
  return to_wide(url.rfind(prefix, 0) == 0 ? std::string_view(url).substr(prefix.size()) : url);
}

void show_in_explorer(const track_location& track) {
  std::wstring path = native_path(track.path);
  PIDLIST_ABSOLUTE pidl = nullptr;
  if (SUCCEEDED(SHParseDisplayName(path.c_str(), nullptr, &pidl, 0, nullptr)) && pidl) {
    SHOpenFolderAndSelectItems(pidl, 0, nullptr, 0);
    CoTaskMemFree(pidl);
  }
}

// The context menu's commands on the chosen entries; they also arrive as WM_COMMAND
// (with the list's selection), as any menu command can.
void run_context_command(window_state& w, UINT cmd, const std::vector<size_t>& chosen) {
  if (chosen.empty()) return;
  switch (cmd) {
    case cmd_browse: navigate(w, [&] { w.browser->open_entries(chosen); }); break;
    case cmd_start_here: play_list_from(w, chosen.front()); break;
    case cmd_play_this: play_entries(w, chosen, 0, false); break;
    case cmd_play_random: play_entries(w, chosen, 0, true); break;
    case cmd_show_in_explorer: {
      std::vector<track_location> tracks = w.browser->tracks_of(chosen);
      if (!tracks.empty()) show_in_explorer(tracks.front());
      break;
    }
    case cmd_go_to_folder: navigate(w, [&] { w.browser->go_to_folder_of(chosen); }); break;
  }
}

void show_context_menu(window_state& w, POINT at) {
  std::vector<size_t> chosen = selected_entries(w);
  if (chosen.empty()) return;
  const bool opens = w.browser->entry_opens(chosen.front());
  HMENU menu = CreatePopupMenu();
  if (opens) append(menu, cmd_browse, "contextmenu_browse");
  if (chosen.size() == 1) append(menu, cmd_start_here, "contextmenu_start_playback_here");
  append(menu, cmd_play_this, "contextmenu_play_this");
  append(menu, cmd_play_random, "contextmenu_play_this_random_order");
  if (!opens && chosen.size() == 1 && w.browser->tracks_of(chosen).size() == 1 &&
      w.browser->tracks_of(chosen).front().path.rfind("file://", 0) == 0)
    append(menu, cmd_show_in_explorer, "contextmenu_show_in_explorer");
  // A folder view already shows the folder of its entries.
  if (!w.browser->is_folder_view()) append(menu, cmd_go_to_folder, "contextmenu_go_to_folder");
  // "contextmenu_properties" joins here with the properties dialog.
  if (at.x == -1 && at.y == -1) {
    RECT r{};
    ListView_GetItemRect(w.list, int(chosen.front()), &r, LVIR_LABEL);
    at = {r.left, r.bottom};
    ClientToScreen(w.list, &at);
  }
  const UINT cmd =
      UINT(TrackPopupMenuEx(menu, TPM_RETURNCMD | TPM_NONOTIFY, at.x, at.y, w.wnd, nullptr));
  DestroyMenu(menu);
  run_context_command(w, cmd, chosen);
}

void on_command(window_state& w, UINT id) {
  if (id >= cmd_browse && id <= cmd_go_to_folder) {
    run_context_command(w, id, selected_entries(w));
    return;
  }
  switch (id) {
    case id_play_pause: toggle_play_pause(w); return;
    case id_play: transport(w, transport_command::play); return;
    case id_volume: {
      RECT r;
      GetWindowRect(button(w, id_volume), &r);
      show_volume_popup(w.wnd, r, db_to_slider(w.playback->volume_db()),
                        [](int value) { win().playback->set_volume_db(slider_to_db(value)); });
      return;
    }
    case id_rewind: w.playback->seek_by(-seek_step_seconds); return;
    case id_fast_forward: w.playback->seek_by(seek_step_seconds); return;
    case id_repeat:
      // The queue policy belongs to playback; the button keeps the user's choice for it.
      w.repeat = !w.repeat;
      xbutton_set_checked(button(w, id_repeat), w.repeat);
      return;
    case id_full_screen: set_full_screen(w, !w.full_screen); return;
    case id_menu: show_main_menu(w); return;
    case id_back: go_back(w); return;
    case id_forward: go_forward(w); return;
    case cmd_save_configuration:
      main_window_save_state();
      if (w.hooks.save_configuration) w.hooks.save_configuration();
      return;
    case cmd_reset_configuration:
      if (w.hooks.close_request) w.hooks.close_request(2);
      return;
    case cmd_restart:
      if (w.hooks.close_request) w.hooks.close_request(1);
      return;
    case cmd_exit:
      if (w.hooks.close_request) w.hooks.close_request(0);
      return;
    case cmd_monitor_folders: media_library::get().toggle_monitoring(); return;
    case cmd_scan_folders: media_library::get().scan_now(); return;
    case cmd_show_pictures:
      g_show_pictures.set(!g_show_pictures.get());
      w.np_track.reset();  // reload (or drop) the picture
      refresh_now_playing(w);
      relayout(w);
      return;
    case cmd_stop: transport(w, transport_command::stop); return;
    case cmd_pause: transport(w, transport_command::pause); return;
    case cmd_play: transport(w, transport_command::play); return;
    case cmd_next: transport(w, transport_command::next); return;
    case cmd_previous: transport(w, transport_command::previous); return;
    case cmd_repeat_off: w.playback->set_repeat(repeat_mode::off); return;
    case cmd_repeat_all: w.playback->set_repeat(repeat_mode::all); return;
    case cmd_repeat_one: w.playback->set_repeat(repeat_mode::one); return;
    case cmd_shuffle: w.playback->set_shuffle(!w.playback->shuffle()); return;
    case cmd_about: {
      std::wstring text = to_wide("Lumo Audio Player " LUMO_VERSION);
      MessageBoxW(w.wnd, text.c_str(), text_w("menu_about").c_str(), MB_OK | MB_ICONINFORMATION);
      return;
    }
#ifdef LUMO_WEBSITE
    case cmd_website:
      ShellExecuteW(w.wnd, nullptr, to_wide(LUMO_WEBSITE).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
      return;
#endif
  }
  if (id >= cmd_theme_first && id < cmd_theme_first + all_themes.size()) {
    set_current_theme(all_themes[id - cmd_theme_first].kind);
    apply_theme(w);
  }
}

// Media keys from WM_APPCOMMAND or the shell hook; true when handled.
bool on_app_command(window_state& w, int command) {
  switch (command) {
    case APPCOMMAND_MEDIA_PLAY_PAUSE: toggle_play_pause(w); return true;
    case APPCOMMAND_MEDIA_PLAY: transport(w, transport_command::play); return true;
    case APPCOMMAND_MEDIA_PAUSE: w.playback->set_paused(true); return true;
    case APPCOMMAND_MEDIA_STOP: transport(w, transport_command::stop); return true;
    case APPCOMMAND_MEDIA_NEXTTRACK: transport(w, transport_command::next); return true;
    case APPCOMMAND_MEDIA_PREVIOUSTRACK: transport(w, transport_command::previous); return true;
    case APPCOMMAND_VOLUME_UP:
      w.playback->set_volume_db(std::min(0.0, w.playback->volume_db() + 2));
      return true;
    case APPCOMMAND_VOLUME_DOWN:
      w.playback->set_volume_db(w.playback->volume_db() - 2);
      return true;
    case APPCOMMAND_BROWSER_BACKWARD: go_back(w); return true;
    case APPCOMMAND_BROWSER_FORWARD: go_forward(w); return true;
  }
  return false;
}

// Keys of the whole window; true when handled.
bool on_key(window_state& w, WPARAM key) {
  const bool ctrl = GetKeyState(VK_CONTROL) < 0, alt = GetKeyState(VK_MENU) < 0;
  switch (key) {
    case VK_RETURN: activate_entries(w); return true;
    case VK_BACK: go_back(w); return true;
    case VK_SPACE:
      if (ctrl) return false;
      toggle_play_pause(w);
      return true;
    case VK_F11: set_full_screen(w, !w.full_screen); return true;
    case VK_ESCAPE:
      if (!w.full_screen) return false;
      set_full_screen(w, false);
      return true;
    case VK_LEFT:
      if (!alt) return false;
      go_back(w);
      return true;
    case VK_RIGHT:
      if (!alt) return false;
      go_forward(w);
      return true;
    case 'F':
      if (!ctrl) return false;
      // Type-to-find belongs to the list: give it the keyboard.
      SetFocus(w.list);
      return true;
  }
  return false;
}

// ---- painting ---------------------------------------------------------------------

void paint(window_state& w, HDC target, const RECT& dirty) {
  RECT client;
  GetClientRect(w.wnd, &client);
  const int height = w.layout[window_part::list].y;
  // Only the band above the list is ours; the children paint themselves.
  HDC dc = CreateCompatibleDC(target);
  HBITMAP bmp = CreateCompatibleBitmap(target, client.right, height);
  HGDIOBJ old_bmp = SelectObject(dc, bmp);
  RECT band{0, 0, client.right, height};
  SetDCBrushColor(dc, w.colours.background);
  FillRect(dc, &band, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
  if (w.picture && g_show_pictures.get()) {
    const pixel_rect& p = w.layout[window_part::picture];
    RECT box{p.x, p.y + 1, p.right(), p.bottom() - 1};
    draw_picture(dc, w.picture.get(), box);
  }
  BitBlt(target, dirty.left, dirty.top, dirty.right - dirty.left,
         std::min<LONG>(dirty.bottom, height) - dirty.top, dc, dirty.left, dirty.top, SRCCOPY);
  SelectObject(dc, old_bmp);
  DeleteObject(bmp);
  DeleteDC(dc);
}

LRESULT CALLBACK separator_proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_PAINT && g_window) {
    window_state& w = win();
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(wnd, &ps);
    RECT r;
    GetClientRect(wnd, &r);
    SetDCBrushColor(dc, w.colours.background);
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    HGDIOBJ old = SelectObject(dc, w.font);
    std::wstring text = text_w("ui_music_library");
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), int(text.size()), &size);
    // A caption at the left, a hairline to the right, both in a muted text colour.
    const colour muted = (w.colours.text & 0xfefefe) / 2 + (w.colours.background & 0xfefefe) / 2;
    SetTextColor(dc, muted);
    SetBkMode(dc, TRANSPARENT);
    RECT tr = r;
    DrawTextW(dc, text.c_str(), int(text.size()), &tr, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    const int gap = MulDiv(6, int(w.dpi), 96);
    RECT rule{r.left + size.cx + gap, (r.top + r.bottom) / 2, r.right,
              (r.top + r.bottom) / 2 + std::max(1, int(w.dpi / 96))};
    SetDCBrushColor(dc, muted);
    FillRect(dc, &rule, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    SelectObject(dc, old);
    EndPaint(wnd, &ps);
    return 0;
  }
  if (msg == WM_ERASEBKGND) return 1;
  return DefWindowProcW(wnd, msg, wp, lp);
}

// ---- the list ---------------------------------------------------------------------

LRESULT on_list_custom_draw(window_state& w, NMLVCUSTOMDRAW* cd) {
  switch (cd->nmcd.dwDrawStage) {
    case CDDS_PREPAINT: return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT: {
      const int item = int(cd->nmcd.dwItemSpec);
      const bool selected = ListView_GetItemState(w.list, item, LVIS_SELECTED) != 0;
      cd->clrText = w.colours.text;
      cd->clrTextBk = w.colours.background;
      if (!w.classic && (selected || item == w.hot_item)) {
        // Our colours rather than the system's selection: take the state away for this row.
        cd->nmcd.uItemState &= ~(CDIS_SELECTED | CDIS_FOCUS | CDIS_HOT);
        cd->clrTextBk = w.colours.highlight;
        if (!selected) {
          const colour h = w.colours.highlight, b = w.colours.background;
          cd->clrTextBk = ((h & 0xfefefe) / 2) + ((b & 0xfefefe) / 2);
        }
      }
      if (w.browser->entry_is_all(size_t(item))) {
        SelectObject(cd->nmcd.hdc, w.bold_font);
        return CDRF_NEWFONT;
      }
      return CDRF_DODEFAULT;
    }
  }
  return CDRF_DODEFAULT;
}

// How long after the process began the list was first on screen with its entries: the
// start-up time a user sees, written to the debug output
// (tools/bench/main_window_start_wine.sh reads it).
void report_first_paint(window_state& w) {
  FILETIME created{}, unused{}, now{};
  if (!GetProcessTimes(GetCurrentProcess(), &created, &unused, &unused, &unused)) return;
  GetSystemTimePreciseAsFileTime(&now);
  auto ticks = [](const FILETIME& t) {
    return (uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  };
  const double ms = double(ticks(now) - ticks(created)) / 10000.0;
  char line[128];
  snprintf(line, sizeof line, "Main window: list painted %.1f ms after start (%zu entries)\n", ms,
           w.browser->entry_count());
  debug_output(line);
}

// Page Up and Page Down without modifiers, moved here: the focus goes to the last (first)
// row of the page, or a page on when it is there already, and the selection follows it.
// The list view's own handling does work in proportion to the whole list on some
// platforms (Wine: about 130 ms a key at 100,000 entries); this touches three rows.
bool page_move(HWND list, bool down) {
  if (GetKeyState(VK_SHIFT) < 0 || GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0)
    return false;
  const int count = ListView_GetItemCount(list);
  if (count <= 0) return false;
  const int per_page = std::max(1, ListView_GetCountPerPage(list));
  const int top = ListView_GetTopIndex(list);
  const int focus = ListView_GetNextItem(list, -1, LVNI_FOCUSED);
  const int edge = down ? std::min(count - 1, top + per_page - 1) : top;
  int target = edge;
  if (focus == edge)
    target = down ? std::min(count - 1, focus + per_page - 1) : std::max(0, focus - per_page + 1);
  // Only rows that are selected lose the selection: at most the few the user chose.
  for (int i = ListView_GetNextItem(list, -1, LVNI_SELECTED); i >= 0;
       i = ListView_GetNextItem(list, i, LVNI_SELECTED))
    if (i != target) ListView_SetItemState(list, i, 0, LVIS_SELECTED);
  ListView_SetItemState(list, target, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  ListView_SetSelectionMark(list, target);
  ListView_EnsureVisible(list, target, FALSE);
  return true;
}

LRESULT CALLBACK list_subclass(HWND list, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
  window_state& w = win();
  switch (msg) {
    case WM_PAINT:
      if (!w.reported_first_paint && w.list_filled && IsWindowVisible(list)) {
        const LRESULT result = DefSubclassProc(list, msg, wp, lp);
        w.reported_first_paint = true;
        report_first_paint(w);
        return result;
      }
      break;
    case WM_KEYDOWN:
      if (on_key(w, wp)) return 0;
      if ((wp == VK_NEXT || wp == VK_PRIOR) && page_move(list, wp == VK_NEXT)) return 0;
      break;
    case WM_CHAR:
      // Enter, Backspace and Space were keys of the window, not the list's search text.
      if (wp == VK_RETURN || wp == VK_BACK || wp == L' ' || wp == 6 /* Ctrl+F */) return 0;
      break;
    case WM_MOUSEMOVE: {
      LVHITTESTINFO hit{};
      hit.pt = {GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
      const int item = ListView_HitTest(list, &hit);
      if (item != w.hot_item) {
        if (w.hot_item >= 0) ListView_RedrawItems(list, w.hot_item, w.hot_item);
        w.hot_item = item;
        if (item >= 0) ListView_RedrawItems(list, item, item);
        TRACKMOUSEEVENT t{sizeof t, TME_LEAVE, list, 0};
        TrackMouseEvent(&t);
      }
      break;
    }
    case WM_MOUSELEAVE:
      if (w.hot_item >= 0) ListView_RedrawItems(list, w.hot_item, w.hot_item);
      w.hot_item = -1;
      break;
  }
  return DefSubclassProc(list, msg, wp, lp);
}

LRESULT on_notify(window_state& w, NMHDR* nm) {
  if (nm->idFrom != id_list) return 0;
  switch (nm->code) {
    case LVN_GETDISPINFOW: {
      auto* di = reinterpret_cast<NMLVDISPINFOW*>(nm);
      if ((di->item.mask & LVIF_TEXT) && size_t(di->item.iItem) < w.browser->entry_count()) {
        w.scratch = to_wide(w.browser->entry_label(size_t(di->item.iItem)));
        di->item.pszText = w.scratch.data();
      }
      return 0;
    }
    case LVN_ODFINDITEMW: {
      // Type-to-find: the next entry from the start position whose label begins with
      // the typed text, ignoring case, wrapping around.
      auto* find = reinterpret_cast<NMLVFINDITEMW*>(nm);
      if (!(find->lvfi.flags & (LVFI_STRING | LVFI_PARTIAL)) || !find->lvfi.psz) return -1;
      const std::wstring wanted = find->lvfi.psz;
      const int count = int(w.browser->entry_count());
      for (int k = 0; k < count; ++k) {
        const int i = (find->iStart + k) % count;
        const std::wstring label = to_wide(w.browser->entry_label(size_t(i)));
        if (label.size() >= wanted.size() &&
            CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, label.c_str(), int(wanted.size()),
                           wanted.c_str(), int(wanted.size())) == CSTR_EQUAL)
          return i;
      }
      return -1;
    }
    case NM_DBLCLK: activate_entries(w); return 0;
    case NM_CUSTOMDRAW: return on_list_custom_draw(w, reinterpret_cast<NMLVCUSTOMDRAW*>(nm));
  }
  return 0;
}

// ---- the window -------------------------------------------------------------------

void add_tooltip(window_state& w, HWND control, std::string_view text_id) {
  std::wstring text = text_w(text_id);
  TOOLINFOW ti = {};
  ti.cbSize = sizeof ti;
  ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  ti.hwnd = w.wnd;
  ti.uId = reinterpret_cast<UINT_PTR>(control);
  ti.lpszText = text.data();
  SendMessageW(w.tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
}

void create_children(window_state& w) {
  HINSTANCE module = GetModuleHandleW(nullptr);
  struct spec {
    int id;
    int glyph;
    bool toggle;
    const char* tip;
  };
  const spec buttons[] = {
      {id_play_pause, glyph_play, false, "ui_play"},
      {id_volume, glyph_volume, false, "ui_volume"},
      {id_rewind, glyph_rewind, false, "ui_rewind"},
      {id_fast_forward, glyph_fast_forward, false, "ui_fastforward"},
      {id_repeat, glyph_repeat, true, "ui_repeat"},
      {id_full_screen, glyph_full_screen, true, "ui_fullscreen"},
      {id_menu, glyph_menu, false, "ui_menu"},
      {id_back, glyph_back, false, "ui_back"},
      {id_forward, glyph_forward, false, "ui_forward"},
      {id_play, glyph_play, false, "ui_play"},
  };
  w.tooltip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                              WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                              CW_USEDEFAULT, CW_USEDEFAULT, w.wnd, nullptr, module, nullptr);
  for (const spec& s : buttons) {
    w.buttons[s.id - id_play_pause] = create_xbutton(w.wnd, s.id, s.glyph, s.toggle);
    if (w.tooltip) add_tooltip(w, w.buttons[s.id - id_play_pause], s.tip);
  }
  const bool bold_lines[line_count] = {true, false, false, true};
  for (int line = 0; line < line_count; ++line)
    w.lines[line] = create_link_text(w.wnd, id_line_first + line, bold_lines[line]);
  w.separator = CreateWindowExW(0, separator_class, text_w("ui_music_library").c_str(),
                                WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, w.wnd,
                                reinterpret_cast<HMENU>(INT_PTR(id_separator)), module, nullptr);
  w.list = CreateWindowExW(0, WC_LISTVIEWW, L"",
                           WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS | LVS_REPORT |
                               LVS_OWNERDATA | LVS_NOCOLUMNHEADER | LVS_SHOWSELALWAYS,
                           0, 0, 0, 0, w.wnd, reinterpret_cast<HMENU>(INT_PTR(id_list)), module,
                           nullptr);
  if (!w.separator || !w.list) throw kel::exception_win32(GetLastError());
  ListView_SetExtendedListViewStyle(w.list, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
  LVCOLUMNW column = {};
  column.mask = LVCF_WIDTH;
  column.cx = 100;
  ListView_InsertColumn(w.list, 0, &column);
  SetWindowSubclass(w.list, list_subclass, 1, 0);
  // The notice floats over the list, a sibling above it, so it takes the window's colours.
  w.notice = CreateWindowExW(0, L"STATIC", text_w("ui_indexing").c_str(),
                             WS_CHILD | SS_CENTER | SS_CENTERIMAGE, 0, 0, 0, 0, w.wnd,
                             reinterpret_cast<HMENU>(INT_PTR(id_notice)), module, nullptr);
  SetWindowPos(w.notice, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void set_fonts_on_children(window_state& w) {
  SendMessageW(w.list, WM_SETFONT, reinterpret_cast<WPARAM>(w.font), TRUE);
  SendMessageW(w.notice, WM_SETFONT, reinterpret_cast<WPARAM>(w.font), TRUE);
  if (w.tooltip) SendMessageW(w.tooltip, WM_SETFONT, reinterpret_cast<WPARAM>(w.font), TRUE);
}

// Touch and gestures arrived with Windows 7; looked up by name so older user32 builds
// (and Wine's) simply go without.
void register_touch(HWND wnd) {
  HMODULE user32 = GetModuleHandleW(L"user32.dll");
  if (!user32) return;
  using register_touch_fn = BOOL(WINAPI*)(HWND, ULONG);
  auto fn = reinterpret_cast<register_touch_fn>(
      reinterpret_cast<void*>(GetProcAddress(user32, "RegisterTouchWindow")));
  if (fn) fn(wnd, 0);
}

void on_dpi_changed(window_state& w, UINT dpi, const RECT* suggested) {
  w.dpi = dpi;
  make_fonts(w);
  apply_theme(w);
  set_fonts_on_children(w);
  if (suggested)
    SetWindowPos(w.wnd, nullptr, suggested->left, suggested->top,
                 suggested->right - suggested->left, suggested->bottom - suggested->top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  relayout(w);
}

void drop_files(window_state& w, HDROP drop) {
  std::vector<std::string> urls;
  const UINT count = DragQueryFileW(drop, 0xffffffff, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    const UINT length = DragQueryFileW(drop, i, nullptr, 0);
    std::wstring path(length + 1, L'\0');
    DragQueryFileW(drop, i, path.data(), length + 1);
    path.resize(length);
    if (std::optional<std::string> url = make_canonical_path("file://" + from_wide(path)))
      urls.push_back(*url);
  }
  DragFinish(drop);
  (void)w;
  main_window_open_items(urls);
}

LRESULT handle(window_state& w, UINT msg, WPARAM wp, LPARAM lp) {
  // Until the children exist (during CreateWindowExW) the window is a plain frame.
  if (!w.list) return DefWindowProcW(w.wnd, msg, wp, lp);
  switch (msg) {
    case WM_SIZE: relayout(w); return 0;
    case WM_GETMINMAXINFO: {
      if (!w.font) break;
      RECT r{0, 0, dlu_to_pixels_x(design_width_dlu, w.base) / 2,
             dlu_to_pixels_y(design_height_dlu, w.base) / 2};
      AdjustWindowRectExForDpi(&r, DWORD(GetWindowLongPtrW(w.wnd, GWL_STYLE)), FALSE, 0, w.dpi);
      auto* mm = reinterpret_cast<MINMAXINFO*>(lp);
      mm->ptMinTrackSize = {r.right - r.left, r.bottom - r.top};
      return 0;
    }
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(w.wnd, &ps);
      paint(w, dc, ps.rcPaint);
      EndPaint(w.wnd, &ps);
      return 0;
    }
    case WM_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(wp);
      SetTextColor(dc, w.colours.text);
      SetBkColor(dc, w.colours.background);
      SetDCBrushColor(dc, w.colours.background);
      return reinterpret_cast<LRESULT>(GetStockObject(DC_BRUSH));
    }
    case link_clicked_message: open_link(w, int(wp) - id_line_first, int(lp)); return 0;
    case WM_COMMAND: on_command(w, LOWORD(wp)); return 0;
    case WM_NOTIFY: return on_notify(w, reinterpret_cast<NMHDR*>(lp));
    case WM_CONTEXTMENU:
      if (reinterpret_cast<HWND>(wp) == w.list) {
        show_context_menu(w, {GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
        return 0;
      }
      break;
    case WM_KEYDOWN:
      if (on_key(w, wp)) return 0;
      break;
    case WM_APPCOMMAND:
      if (on_app_command(w, GET_APPCOMMAND_LPARAM(lp))) return TRUE;
      break;
    case WM_TIMER:
      if (wp == position_timer) refresh_now_playing(w);
      return 0;
    case WM_DROPFILES: drop_files(w, reinterpret_cast<HDROP>(wp)); return 0;
    case WM_DPICHANGED: on_dpi_changed(w, HIWORD(wp), reinterpret_cast<RECT*>(lp)); return 0;
    case WM_SETTINGCHANGE:
    case WM_SYSCOLORCHANGE:
    case WM_THEMECHANGED: apply_theme(w); break;
    case WM_ACTIVATE:
      if (LOWORD(wp) != WA_INACTIVE) SetFocus(w.list);
      return 0;
    case WM_CLOSE:
      // Shutdown destroys the window; closing only asks to end the program.
      if (w.hooks.close_request) w.hooks.close_request(0);
      return 0;
  }
  if (msg == w.shell_hook_message && msg != 0 && wp == HSHELL_APPCOMMAND) {
    on_app_command(w, GET_APPCOMMAND_LPARAM(lp));
    return 0;
  }
  return DefWindowProcW(w.wnd, msg, wp, lp);
}

LRESULT CALLBACK main_window_proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (!g_window || g_window->wnd != wnd) return DefWindowProcW(wnd, msg, wp, lp);
  // No exception may cross back into the system: show it and carry on.
  try {
    return handle(*g_window, msg, wp, lp);
  } catch (const std::exception& e) {
    debug_output(std::string("Main window: ") + e.what() + "\n");
    return DefWindowProcW(wnd, msg, wp, lp);
  }
}

LRESULT CALLBACK creation_proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  // Messages before CreateWindowExW returns reach the window without its state.
  if (g_window && !g_window->wnd && msg == WM_NCCREATE) g_window->wnd = wnd;
  return main_window_proc(wnd, msg, wp, lp);
}

void connect_browser(window_state& w) {
  w.browser->on_changed = [] {
    if (g_window && g_window->list) refresh_list(win());
  };
}

void connect_playback(window_state& w) {
  w.playback->on_state_changed = [] {
    if (g_window && g_window->wnd) refresh_now_playing(win());
  };
}

}  // namespace

void main_window_register_classes() {
  register_control_classes();
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = creation_proc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hIcon = LoadIconW(wc.hInstance, MAKEINTRESOURCEW(1));
  wc.hIconSm = wc.hIcon;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = main_window_class;
  if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
    throw kel::exception_win32(GetLastError());
  WNDCLASSEXW sc = wc;
  sc.lpfnWndProc = separator_proc;
  sc.hIcon = sc.hIconSm = nullptr;
  sc.lpszClassName = separator_class;
  if (!RegisterClassExW(&sc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
    throw kel::exception_win32(GetLastError());
}

void main_window_unregister_classes() {
  UnregisterClassW(main_window_class, GetModuleHandleW(nullptr));
  UnregisterClassW(separator_class, GetModuleHandleW(nullptr));
  unregister_control_classes();
}

void main_window_set_browser(std::unique_ptr<library_browser> browser) {
  if (!g_window) {
    g_pending_browser = std::move(browser);
    return;
  }
  window_state& w = win();
  w.browser->on_changed = nullptr;
  w.browser = std::move(browser);
  w.back.clear();
  w.forward.clear();
  connect_browser(w);
  refresh_list(w);
}

void main_window_set_playback(std::unique_ptr<playback_port> playback) {
  if (!g_window) {
    g_pending_playback = std::move(playback);
    return;
  }
  window_state& w = win();
  w.playback = std::move(playback);
  connect_playback(w);
  refresh_now_playing(w);
}

void main_window_create(bool start_hidden, main_window_hooks hooks) {
  ensure_gdiplus();
  auto state = std::make_unique<window_state>();
  window_state& w = *state;
  w.hooks = std::move(hooks);
  library_view_browser* views = nullptr;
  if (g_pending_browser) {
    w.browser = std::move(g_pending_browser);
  } else {
    auto made = std::make_unique<library_view_browser>(system_browse_environment());
    views = made.get();
    w.browser = std::move(made);
  }
  w.playback =
      g_pending_playback ? std::move(g_pending_playback) : std::make_unique<engineless_playback>();
  g_window = state.release();

  const window_position& p = g_placement.get();
  const bool remembered = p.x != window_position::use_default && p.width > 0 && p.height > 0;
  const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
  HWND wnd =
      CreateWindowExW(WS_EX_ACCEPTFILES, main_window_class, L"Lumo Audio Player", style,
                      remembered ? p.x : CW_USEDEFAULT, remembered ? p.y : CW_USEDEFAULT,
                      remembered ? p.width : CW_USEDEFAULT, remembered ? p.height : CW_USEDEFAULT,
                      nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (!wnd) {
    const DWORD error = GetLastError();
    delete g_window;
    g_window = nullptr;
    throw kel::exception_win32(error);
  }
  w.wnd = wnd;
  w.dpi = GetDpiForWindow(wnd);
  make_fonts(w);
  create_children(w);
  apply_theme(w);
  set_fonts_on_children(w);
  if (!remembered) {
    // The design size in the window font's dialog units, at this monitor's DPI.
    RECT r{0, 0, dlu_to_pixels_x(design_width_dlu, w.base),
           dlu_to_pixels_y(design_height_dlu, w.base)};
    AdjustWindowRectExForDpi(&r, style, FALSE, WS_EX_ACCEPTFILES, w.dpi);
    SetWindowPos(wnd, nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER);
  }
  connect_browser(w);
  connect_playback(w);
  const bool show = !start_hidden;
  const int show_command =
      remembered && p.show_state == SW_SHOWMAXIMIZED ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL;
  // While the library file is still being read on its worker, the window goes on
  // screen, drawn, and its list fills in once the library is attached below; otherwise
  // it appears once, complete. Filling a list on screen would redraw it at every step: it
  // paints once, at the end.
  const bool show_early = show && media_library::get().is_loading();
  if (show_early) {
    refresh_now_playing(w);
    relayout(w);
    ShowWindow(wnd, show_command);
    UpdateWindow(wnd);
    SendMessageW(w.list, WM_SETREDRAW, FALSE, 0);
  }
  const browser_location saved = decode_browser_location(g_saved_path.get());
  if (views) {
    try {
      views->attach_media_library(saved);
    } catch (const std::exception& e) {
      // The window still browses folders and plays what it is handed.
      debug_output(std::string("Library not connected: ") + e.what() + "\n");
    }
  }
  w.browser->go_to(saved);
  refresh_list(w);
  refresh_now_playing(w);  // lays the window out again itself when a picture appears
  w.list_filled = true;
  if (show_early) {
    SendMessageW(w.list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(w.list, nullptr, TRUE);
  } else {
    relayout(w);
  }

  w.shell_hook_message = RegisterWindowMessageW(L"SHELLHOOK");
  w.taskbar_created_message = RegisterWindowMessageW(L"TaskbarButtonCreated");
  RegisterShellHookWindow(wnd);
  register_touch(wnd);
  if (show) {
    if (!show_early) ShowWindow(wnd, show_command);
    UpdateWindow(wnd);
    SetFocus(w.list);
  }
}

void* main_window_handle() {
  return g_window ? g_window->wnd : nullptr;
}

void main_window_activate() {
  if (!g_window) return;
  HWND wnd = g_window->wnd;
  ShowWindow(wnd, IsIconic(wnd) ? SW_RESTORE : SW_SHOW);
  SetForegroundWindow(wnd);
}

void main_window_hide() {
  if (g_window) ShowWindow(g_window->wnd, SW_HIDE);
}

void main_window_open_items(const std::vector<std::string>& urls) {
  if (!g_window || urls.empty()) return;
  window_state& w = win();
  // Played whether or not the library holds them; what no input takes (the pictures of
  // a dropped folder) is left out.
  std::vector<track_location> list;
  for (const std::string& url : urls)
    if (find_handler_for_path(url)) list.push_back({url, 0});
  if (list.empty()) return;
  w.has_played = true;
  w.playback->play(std::move(list), 0);
}

void main_window_transport(transport_command command) {
  if (g_window) transport(win(), command);
}

void main_window_save_state() {
  if (!g_window) return;
  window_state& w = win();
  WINDOWPLACEMENT wp = {};
  wp.length = sizeof wp;
  const WINDOWPLACEMENT& source = w.full_screen ? w.before_full_screen : wp;
  if (!w.full_screen && !GetWindowPlacement(w.wnd, &wp)) return;
  const RECT& r = source.rcNormalPosition;
  g_placement.set({source.showCmd == SW_SHOWMAXIMIZED ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL,
                   r.right - r.left, r.bottom - r.top, r.left, r.top});
  g_saved_path.set(encode_browser_location(w.browser->location()));
}

void main_window_destroy() {
  if (!g_window) return;
  window_state& w = win();
  KillTimer(w.wnd, position_timer);
  DeregisterShellHookWindow(w.wnd);
  w.browser->on_changed = nullptr;
  w.playback->on_state_changed = nullptr;
  HIMAGELIST rows = ListView_GetImageList(w.list, LVSIL_SMALL);
  if (w.tooltip) DestroyWindow(w.tooltip);
  DestroyWindow(w.wnd);
  if (rows) ImageList_Destroy(rows);
  delete_fonts(w);
  delete g_window;
  g_window = nullptr;
}

}  // namespace lumo
