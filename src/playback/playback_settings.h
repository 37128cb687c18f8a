#pragma once
// The user's gains: the master volume, the ReplayGain settings and the scale they give a
// track, and the fade lengths. The volume and ReplayGain settings are configuration
// variables saved with config.dat; the fades and the volume step are advanced settings.

#include <cstdint>
#include <functional>
#include <string>

#include "meta/replaygain_info.h"

namespace lumo {

inline constexpr double min_volume_db = -100.0;
inline constexpr double max_volume_db = 0.0;

// The stored master volume in dB (-100 .. 0). Any thread.
double get_master_volume_db();
// Clamps to -100 .. 0; when the value differs from the stored one, stores it and tells
// every volume listener (the playback service, the volume control). Returns whether it
// changed. Main thread.
bool set_master_volume_db(double volume_db);
// The current volume plus / minus "Volume step (dB)". Main thread.
void volume_up();
void volume_down();
// The step as the advanced setting gives it (decimal, "." or ","). Main thread.
double volume_step_db();

using volume_listener = std::function<void(double volume_db)>;
// Registers a listener for the rest of the process (main thread); returns its id.
int add_volume_listener(volume_listener listener);
void remove_volume_listener(int id);

enum class replaygain_source : uint32_t { track = 1, album = 2 };
enum class replaygain_processing : uint32_t {
  none = 0,
  apply_gain = 1,
  apply_gain_prevent_clipping = 2,
  prevent_clipping_only = 3,
};

// The stored record: exactly these four 32-bit fields in this order.
struct replaygain_settings {
  uint32_t source = 2;      // 1 track first, 2 album first, other: no ReplayGain
  uint32_t processing = 1;  // see replaygain_processing
  float preamp_without_rg_db = 0.0f;
  float preamp_with_rg_db = 0.0f;
  friend bool operator==(const replaygain_settings&, const replaygain_settings&) = default;
};
static_assert(sizeof(replaygain_settings) == 16);

// The whole record, under its lock. Any thread.
replaygain_settings get_replaygain_settings();
// Stores the record and hands it to the settings listener (the playback engine, which
// uses it for the next track it opens).
void set_replaygain_settings(const replaygain_settings& settings);
// One listener (the engine); null removes it.
void set_replaygain_settings_listener(std::function<void(const replaygain_settings&)> listener);

// The linear factor for a track's samples.
double replaygain_scale(const replaygain_settings& settings, const replaygain_info& info);

enum class fade_kind { stop = 0, seek = 1, pause = 2 };
// "Fade out (ms)", "Fade on seek (ms)" or "Fade on pause (ms)" in seconds. Any thread.
double fade_length_seconds(fade_kind kind);

// Preamp sliders run 0..400 for -20.0 .. +20.0 dB.
inline constexpr int preamp_slider_max = 400;
double preamp_slider_to_db(int position);
int preamp_db_to_slider(double db);
// The slider's label: sign ("+", "-", or "±" at zero), whole dB, tenths, "dB".
std::string preamp_label(int position);

}  // namespace lumo
