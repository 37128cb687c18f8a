// lumo-inspect play: the real playback engine on files, to a WAV file or the device.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/main_thread.h"
#include "inspect_input.h"
#include "inspect_output.h"
#include "playback/playback_engine.h"
#include "playback/playback_settings.h"
#include "playback/render_output.h"
#include "playback/stream_worker.h"

namespace {

int play_usage(const char* problem) {
  std::fprintf(stderr,
               "lumo-inspect play: %s\nusage: lumo-inspect play FILE... [--out OUT.wav] "
               "[--volume DB] [--replaygain track|album|off] [--seek SECONDS]\n",
               problem);
  return 2;
}

bool parse_number(const std::string& text, double& value) {
  char* end = nullptr;
  value = std::strtod(text.c_str(), &end);
  return end != text.c_str() && !*end && std::isfinite(value);
}

}  // namespace

int inspect_play(const std::vector<std::string>& args) {
  std::vector<lumo::track_location> list;
  std::string out_path;
  double volume_db = 0;
  double seek_seconds = 0;
  // Without the option the stored settings hold; the option replaces the source for this
  // run only (the processing applies the gain, the preamps are the user's).
  std::optional<uint32_t> replaygain_source;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--out" || a == "--volume" || a == "--seek" || a == "--replaygain") {
      if (i + 1 >= args.size()) return play_usage("option needs a value");
      const std::string& value = args[++i];
      if (a == "--out") {
        out_path = value;
      } else if (a == "--replaygain") {
        if (value == "track")
          replaygain_source = 1;
        else if (value == "album")
          replaygain_source = 2;
        else if (value == "off")
          replaygain_source = 0;
        else
          return play_usage("--replaygain takes track, album or off");
      } else if (a == "--volume") {
        if (!parse_number(value, volume_db)) return play_usage("expected a number");
      } else {
        if (!parse_number(value, seek_seconds) || seek_seconds < 0)
          return play_usage("--seek takes a number of seconds, 0 or more");
      }
    } else if (a.rfind("--", 0) == 0) {
      return play_usage("unknown option");
    } else {
      list.push_back({inspect_url(a), 0});
    }
  }
  if (list.empty()) return play_usage("no files");

  if (replaygain_source) {
    lumo::replaygain_settings rg = lumo::get_replaygain_settings();
    rg.source = *replaygain_source;
    if (*replaygain_source != 0) rg.processing = 1;
    lumo::set_replaygain_settings(rg);
  }

  int failures = 0;
  {
    lumo::playback_engine::output_factory factory;
    if (!out_path.empty()) {
      std::string url = inspect_url(out_path);
      factory = [url] {
        return std::make_unique<lumo::render_output>(lumo::make_wav_render_sink(url));
      };
    }
    lumo::playback_engine engine(factory);
    lumo::playback_callbacks callbacks;
    callbacks.track_changed = [&](size_t index) {
      std::printf("playing %zu: %s\n", index + 1, list[index].path.c_str());
    };
    callbacks.error = [&](const std::string& message) {
      ++failures;
      std::fprintf(stderr, "%s\n", message.c_str());
    };
    engine.set_callbacks(callbacks);
    engine.set_volume(volume_db);
    engine.play(list, 0, seek_seconds);
    // The engine's notes wait at most one pause; a longer one keeps this thread out of
    // the CPU figures of playback.
    while (engine.is_playing()) {
      lumo::run_pending(lumo::drain::until_empty);
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    lumo::run_pending(lumo::drain::until_empty);
  }
  lumo::shutdown_output_worker();
  return failures ? 1 : 0;
}
