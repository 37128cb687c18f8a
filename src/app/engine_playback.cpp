#include "app/engine_playback.h"

#include "playback/playback_settings.h"

namespace lumo {

engine_playback::engine_playback(playback_engine::output_factory factory)
    : engine_(std::move(factory)) {
  playback_callbacks callbacks;
  callbacks.starting = [this] { changed(); };
  callbacks.track_changed = [this](size_t) { changed(); };
  callbacks.paused = [this](bool) { changed(); };
  callbacks.stopped = [this] { changed(); };
  engine_.set_callbacks(std::move(callbacks));
  // The stored volume reaches the engine however it is changed (menu, keys, window).
  volume_listener_ = add_volume_listener([this](double db) { engine_.set_volume(db); });
}

engine_playback::~engine_playback() {
  remove_volume_listener(volume_listener_);
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
