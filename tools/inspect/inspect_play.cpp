// lumo-inspect play: the real playback engine on files, to a WAV file or the device.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/main_thread.h"
#include "inspect_input.h"
#include "inspect_output.h"
#include "playback/playback_engine.h"
#include "playback/render_output.h"
#include "playback/stream_worker.h"

namespace {

int play_usage(const char* problem) {
  std::fprintf(stderr,
               "lumo-inspect play: %s\nusage: lumo-inspect play FILE... [--out OUT.wav] "
               "[--volume DB]\n",
               problem);
  return 2;
}

}  // namespace

int inspect_play(const std::vector<std::string>& args) {
  std::vector<lumo::track_location> list;
  std::string out_path;
  double volume_db = 0;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--out" || a == "--volume") {
      if (i + 1 >= args.size()) return play_usage("option needs a value");
      const std::string& value = args[++i];
      if (a == "--out") {
        out_path = value;
      } else {
        char* end = nullptr;
        volume_db = std::strtod(value.c_str(), &end);
        if (end == value.c_str() || *end) return play_usage("expected a number");
      }
    } else if (a.rfind("--", 0) == 0) {
      return play_usage("unknown option");
    } else {
      list.push_back({inspect_url(a), 0});
    }
  }
  if (list.empty()) return play_usage("no files");

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
    engine.play(list, 0);
    while (engine.is_playing()) {
      lumo::run_pending(lumo::drain::until_empty);
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    lumo::run_pending(lumo::drain::until_empty);
  }
  lumo::shutdown_output_worker();
  return failures ? 1 : 0;
}
