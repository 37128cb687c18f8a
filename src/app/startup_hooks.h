#pragma once
// Where the media library and the playback engine join start-up and shutdown. They
// register their functions here; unset ones are skipped.

namespace lumo {

struct startup_hooks {
  void (*open_media_library)() = nullptr;
  void (*close_media_library)() = nullptr;
  void (*shut_down_playback)() = nullptr;  // stops and joins the playback thread
};

startup_hooks& app_startup_hooks();

}  // namespace lumo
