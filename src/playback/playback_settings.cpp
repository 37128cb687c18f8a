#include "playback/playback_settings.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <mutex>

#include "config/advanced_entries.h"
#include "config/config_vars.h"
#include "core/main_thread.h"

namespace lumo {
namespace {

config_struct<float> g_master_volume{
    {0x8815239Bu, 0xFDF3, 0x4DD8, {0xB6, 0xE2, 0xE4, 0x83, 0x4E, 0x83, 0x76, 0x1C}}, 0.0f};
config_struct<replaygain_settings> g_replaygain{
    {0xC70F0A8Cu, 0x3CD5, 0x4BA9, {0x88, 0xCD, 0xCC, 0x16, 0x1A, 0x87, 0xA0, 0x0E}},
    replaygain_settings{}};

struct settings_state {
  std::mutex volume_lock;  // the stored volume (read by any thread)
  std::mutex replaygain_lock;
  // Main thread only:
  std::map<int, volume_listener> volume_listeners;
  int next_listener_id = 1;
  // Guarded by replaygain_lock:
  std::function<void(const replaygain_settings&)> replaygain_listener;
};

settings_state& state() {
  static settings_state s;
  return s;
}

}  // namespace

double get_master_volume_db() {
  std::lock_guard lock(state().volume_lock);
  return std::clamp(static_cast<double>(g_master_volume.get()), min_volume_db, max_volume_db);
}

bool set_master_volume_db(double volume_db) {
  assert_main_thread();
  if (std::isnan(volume_db)) volume_db = min_volume_db;
  float v = static_cast<float>(std::clamp(volume_db, min_volume_db, max_volume_db));
  {
    std::lock_guard lock(state().volume_lock);
    if (g_master_volume.get() == v) return false;
    g_master_volume.set(v);
  }
  // A copy: a listener may add or remove listeners.
  auto listeners = state().volume_listeners;
  for (auto& [id, fn] : listeners) fn(v);
  return true;
}

double volume_step_db() {
  double step = parse_replaygain_number(advanced::volume_step_db.get_value());
  return std::fabs(step);
}

void volume_up() {
  set_master_volume_db(get_master_volume_db() + volume_step_db());
}
void volume_down() {
  set_master_volume_db(get_master_volume_db() - volume_step_db());
}

int add_volume_listener(volume_listener listener) {
  assert_main_thread();
  int id = state().next_listener_id++;
  state().volume_listeners.emplace(id, std::move(listener));
  return id;
}

void remove_volume_listener(int id) {
  assert_main_thread();
  state().volume_listeners.erase(id);
}

replaygain_settings get_replaygain_settings() {
  std::lock_guard lock(state().replaygain_lock);
  return g_replaygain.get();
}

void set_replaygain_settings(const replaygain_settings& settings) {
  std::function<void(const replaygain_settings&)> listener;
  {
    std::lock_guard lock(state().replaygain_lock);
    g_replaygain.set(settings);
    listener = state().replaygain_listener;
  }
  if (listener) listener(settings);
}

void set_replaygain_settings_listener(std::function<void(const replaygain_settings&)> listener) {
  std::lock_guard lock(state().replaygain_lock);
  state().replaygain_listener = std::move(listener);
}

double replaygain_scale(const replaygain_settings& settings, const replaygain_info& info) {
  bool has_gain = false;
  double gain_db = 0.0;
  double peak = 1.0;
  auto pick = [&](bool first_present, float first, bool second_present, float second, bool& found,
                  double& value) {
    if (first_present) {
      found = true;
      value = first;
    } else if (second_present) {
      found = true;
      value = second;
    }
  };
  bool has_peak = false;
  if (settings.source == static_cast<uint32_t>(replaygain_source::track)) {
    pick(info.is_track_gain_present(), info.track_gain, info.is_album_gain_present(),
         info.album_gain, has_gain, gain_db);
    pick(info.is_track_peak_present(), info.track_peak, info.is_album_peak_present(),
         info.album_peak, has_peak, peak);
  } else if (settings.source == static_cast<uint32_t>(replaygain_source::album)) {
    pick(info.is_album_gain_present(), info.album_gain, info.is_track_gain_present(),
         info.track_gain, has_gain, gain_db);
    pick(info.is_album_peak_present(), info.album_peak, info.is_track_peak_present(),
         info.track_peak, has_peak, peak);
  }
  double db = has_gain ? settings.preamp_with_rg_db + gain_db : settings.preamp_without_rg_db;
  uint32_t p = settings.processing;
  double scale = (p == 1 || p == 2) ? std::pow(10.0, db * 0.05) : 1.0;
  if ((p == 2 || p == 3) && scale * peak > 1.0) scale = 1.0 / peak;
  return scale;
}

double fade_length_seconds(fade_kind kind) {
  const advanced_integer_entry& entry = kind == fade_kind::stop   ? advanced::fade_out_ms
                                        : kind == fade_kind::seek ? advanced::fade_on_seek_ms
                                                                  : advanced::fade_on_pause_ms;
  return static_cast<double>(entry.get_value()) / 1000.0;
}

double preamp_slider_to_db(int position) {
  return (std::clamp(position, 0, preamp_slider_max) - 200) / 10.0;
}

int preamp_db_to_slider(double db) {
  return std::clamp(static_cast<int>(std::lround(db * 10.0)) + 200, 0, preamp_slider_max);
}

std::string preamp_label(int position) {
  int tenths = std::clamp(position, 0, preamp_slider_max) - 200;
  const char* sign = tenths > 0 ? "+" : tenths < 0 ? "-" : "\xC2\xB1";
  unsigned magnitude = static_cast<unsigned>(tenths < 0 ? -tenths : tenths);
  char text[32];
  std::snprintf(text, sizeof text, "%s%u.%udB", sign, magnitude / 10, magnitude % 10);
  return text;
}

}  // namespace lumo
