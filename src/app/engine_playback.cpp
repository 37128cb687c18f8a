#include "app/engine_playback.h"

#include "playback/playback_error_window.h"
#include "playback/playback_fields.h"
#include "playback/playback_settings.h"

namespace lumo {

namespace {

engine_playback* g_current = nullptr;

}  // namespace

engine_playback* engine_playback::current() {
  return g_current;
}

engine_playback::engine_playback(playback_engine::output_factory factory)
    : engine_(std::move(factory)) {
  playback_callbacks callbacks;
  callbacks.starting = [this] { changed(); };
  callbacks.track_changed = [this](size_t) { changed(); };
  callbacks.paused = [this](bool) { changed(); };
  callbacks.stopped = [this] { changed(); };
  callbacks.info_changed = [this] { changed(); };
  callbacks.error = [](const std::string& message) { show_playback_error(message); };
  engine_.set_callbacks(std::move(callbacks));
  // The stored volume reaches the engine however it is changed (menu, keys, window).
  volume_listener_ = add_volume_listener([this](double db) { engine_.set_volume(db); });
  g_current = this;
  // The now-playing line and any script reading the playback fields see this engine.
  set_playback_field_source([this] {
    playback_field_state s;
    s.active = engine_.is_playing();
    s.paused = s.active && engine_.is_paused();
    s.has_track = engine_.playing_index().has_value();
    s.elapsed_seconds = engine_.position_seconds();
    s.length_seconds = engine_.length_seconds();
    return s;
  });
}

engine_playback::~engine_playback() {
  remove_volume_listener(volume_listener_);
  if (g_current == this) {
    g_current = nullptr;
    set_playback_field_source(nullptr);
  }
}

void engine_playback::play(std::vector<track_location> list, size_t start_index) {
  engine_.play(std::move(list), start_index);
}

void engine_playback::set_volume_db(double db) {
  // Stored with the configuration; the listener passes it on to the engine.
  if (!set_master_volume_db(db)) engine_.set_volume(get_master_volume_db());
}

std::optional<track_location> engine_playback::playing_track() const {
  return engine_.playing_track();
}

void engine_playback::changed() {
  if (on_state_changed) on_state_changed();
}

}  // namespace lumo
