#pragma once
// The playback fields of title formatting ("%playback_time%", "%isplaying%", ...): a field
// provider registered as a service, reading the playing state from the program's engine.
#include <functional>
#include <string_view>

#include "core/service.h"
#include "meta/title_format.h"

namespace lumo {

struct playback_field_state {
  bool active = false;  // playing or paused
  bool paused = false;
  bool has_track = false;  // a track is heard (its position is known)
  double elapsed_seconds = 0;
  double length_seconds = 0;  // 0 when unknown
};

// The provider as a service: process_field answers only the playback fields, and only
// when they have a value; every other name is left to the next provider.
class playback_fields : public service_base, public title_format_hook {
 public:
  static constexpr guid class_guid{
      0x5a0e17c2u, 0x3d84, 0x4b96, {0x8f, 0x61, 0x20, 0xc7, 0xd4, 0x39, 0xe5, 0x8a}};
  using parent_class = service_base;
  using service_class = playback_fields;

 protected:
  ~playback_fields() = default;
};

// Where the registered provider reads the state (the application's engine); while none is
// set playback counts as stopped. Main thread.
void set_playback_field_source(std::function<playback_field_state()> source);

// One field for a state: true with its text written when name is a playback field that
// has a value now.
bool write_playback_field(const playback_field_state& state, title_format_field_output& out,
                          std::string_view name);

}  // namespace lumo
