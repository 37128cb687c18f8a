#include "playback/playback_fields.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "core/service_registry.h"
#include "meta/field_name.h"
#include "meta/time_text.h"

namespace lumo {

namespace {

std::function<playback_field_state()> g_source;

enum class field { is_playing, is_paused, elapsed, elapsed_s, total, total_s, remain, remain_s };

struct field_name_entry {
  std::string_view name;
  field which;
};

constexpr field_name_entry g_names[] = {
    {"_isplaying", field::is_playing},
    {"isplaying", field::is_playing},
    {"_ispaused", field::is_paused},
    {"ispaused", field::is_paused},
    {"_time_elapsed", field::elapsed},
    {"playback_time", field::elapsed},
    {"_time_elapsed_seconds", field::elapsed_s},
    {"playback_time_seconds", field::elapsed_s},
    {"_time_total", field::total},
    {"_time_total_seconds", field::total_s},
    {"_time_remaining", field::remain},
    {"playback_time_remaining", field::remain},
    {"_time_remaining_seconds", field::remain_s},
    {"playback_time_remaining_seconds", field::remain_s},
};

// Whole seconds, truncated, so the text and the seconds fields agree.
double whole(double seconds) {
  return std::floor(std::max(0.0, seconds));
}

void write_seconds(title_format_field_output& out, double seconds) {
  out.write(std::to_string(static_cast<long long>(whole(seconds))), title_format_text_kind::other);
}

class playback_fields_impl : public playback_fields {
 public:
  bool process_field(title_format_field_output& out, std::string_view name, bool& found) override {
    playback_field_state state;
    if (g_source) state = g_source();
    found = write_playback_field(state, out, name);
    return found;
  }
  bool process_function(title_format_field_output&, std::string_view, title_format_args&,
                        bool&) override {
    return false;
  }
};

LUMO_REGISTER_SINGLETON_SERVICE(playback_fields_impl);

}  // namespace

void set_playback_field_source(std::function<playback_field_state()> source) {
  g_source = std::move(source);
}

bool write_playback_field(const playback_field_state& s, title_format_field_output& out,
                          std::string_view name) {
  const field_name_entry* hit = nullptr;
  for (const field_name_entry& e : g_names) {
    if (field_name_equal(e.name, name)) {
      hit = &e;
      break;
    }
  }
  if (!hit) return false;
  bool playing = s.active && s.has_track;
  bool length_known = playing && s.length_seconds > 0;
  double remaining = s.length_seconds - whole(s.elapsed_seconds);
  switch (hit->which) {
    case field::is_playing:
      if (!s.active) return false;
      out.write("1", title_format_text_kind::other);
      return true;
    case field::is_paused:
      if (!s.active || !s.paused) return false;
      out.write("1", title_format_text_kind::other);
      return true;
    case field::elapsed:
      if (!playing) return false;
      out.write(format_time_text(whole(s.elapsed_seconds)), title_format_text_kind::other);
      return true;
    case field::elapsed_s:
      if (!playing) return false;
      write_seconds(out, s.elapsed_seconds);
      return true;
    case field::total:
      if (!length_known) return false;
      out.write(format_time_text(s.length_seconds), title_format_text_kind::other);
      return true;
    case field::total_s:
      if (!length_known) return false;
      write_seconds(out, s.length_seconds);
      return true;
    case field::remain:
      if (!length_known) return false;
      out.write(format_time_text(std::max(0.0, remaining)), title_format_text_kind::other);
      return true;
    case field::remain_s:
      if (!length_known) return false;
      write_seconds(out, remaining);
      return true;
  }
  return false;
}

}  // namespace lumo
