#include "inspect_output.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <numbers>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#endif

#include "config/advanced_entries.h"
#include "core/exceptions.h"
#include "inspect_input.h"
#include "playback/output.h"
#include "playback/output_spec.h"
#include "playback/render_output.h"
#include "playback/stream_worker.h"
#include "playback/thread_setup.h"

namespace {

int tone_usage(const char* problem) {
  std::fprintf(
      stderr,
      "lumo-inspect tone: %s\n"
      "usage: lumo-inspect tone [--output directsound|null|render] [--out OUT.wav]\n"
      "       [--seconds S] [--freq HZ] [--level DB] [--rate HZ] [--channels N]\n"
      "       [--format s16|s24|f32] [--pause-fade-ms MS] [--seek-fade-ms MS] [--lead-in S]\n"
      "       [--tail S]\n"
      "       [--volume-at T:DB]... [--pause-at T:SECONDS]... [--flush-at T:HZ]...\n"
      "  events happen when the audible position reaches T seconds; a flush drops\n"
      "  the buffered tone and continues at the new frequency; positions count from the\n"
      "  end of the lead-in silence\n",
      problem);
  return 2;
}

struct tone_event {
  enum kind_t { volume, pause, flush } kind;
  double at_seconds;
  double value;
};

bool parse_event(const std::string& text, tone_event::kind_t kind, std::vector<tone_event>& out) {
  size_t colon = text.find(':');
  if (colon == std::string::npos) return false;
  char* end = nullptr;
  double at = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + colon) return false;
  double value = std::strtod(text.c_str() + colon + 1, &end);
  if (*end != '\0') return false;
  out.push_back({kind, at, value});
  return true;
}

}  // namespace

int inspect_devices(const std::vector<std::string>& args) {
  if (args.size() != 1) {
    std::fputs("usage: lumo-inspect devices\n", stderr);
    return 2;
  }
  try {
    lumo::com_thread_scope com;
    for (const auto& entry : lumo::list_output_entries()) {
      std::printf("%s %s\n", lumo::guid_to_text(entry->get_guid()).c_str(), entry->get_name());
      for (const auto& device : entry->list_devices())
        std::printf("  %s %s\n", lumo::guid_to_text(device.id).c_str(), device.name.c_str());
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "lumo-inspect devices: %s\n", kel::error_text(e).c_str());
    return 1;
  }
  return 0;
}

int inspect_tone(const std::vector<std::string>& args) {
  std::string output_name = "directsound", out_path, format = "s16";
  double seconds = 3.0, freq = 1000.0, level_db = -6.0, lead_in = 0.0, tail = 0.0;
  uint32_t rate = 44100, channels = 2;
  std::vector<tone_event> events;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& option = args[i];
    if (i + 1 >= args.size()) return tone_usage("an option is missing its value");
    const std::string& value = args[++i];
    char* end = nullptr;
    double number = std::strtod(value.c_str(), &end);
    bool is_number = !value.empty() && *end == '\0';
    if (option == "--output") {
      output_name = value;
    } else if (option == "--out") {
      out_path = value;
    } else if (option == "--format") {
      format = value;
    } else if (option == "--volume-at" || option == "--pause-at" || option == "--flush-at") {
      auto kind = option == "--volume-at"  ? tone_event::volume
                  : option == "--pause-at" ? tone_event::pause
                                           : tone_event::flush;
      if (!parse_event(value, kind, events)) return tone_usage("events are T:VALUE");
    } else if (!is_number) {
      return tone_usage("expected a number");
    } else if (option == "--lead-in") {
      lead_in = number;
    } else if (option == "--tail") {
      tail = number;
    } else if (option == "--seconds") {
      seconds = number;
    } else if (option == "--freq") {
      freq = number;
    } else if (option == "--level") {
      level_db = number;
    } else if (option == "--rate") {
      rate = static_cast<uint32_t>(number);
    } else if (option == "--channels") {
      channels = static_cast<uint32_t>(number);
    } else if (option == "--pause-fade-ms") {
      lumo::advanced::fade_on_pause_ms.set_value(static_cast<int64_t>(number));
    } else if (option == "--seek-fade-ms") {
      lumo::advanced::fade_on_seek_ms.set_value(static_cast<int64_t>(number));
    } else {
      return tone_usage("unknown option");
    }
  }
  lumo::output_spec spec;
  spec.sample_rate = rate;
  spec.channels = channels;
  spec.channel_mask = lumo::default_channel_mask(channels);
  spec.bits_per_sample = format == "s24" ? 24 : format == "f32" ? 32 : 16;
  spec.is_float = format == "f32";
  spec.buffer_seconds = 0.5;

  try {
    lumo::com_thread_scope com;
    std::unique_ptr<lumo::output> out;
    if (!out_path.empty()) {
      out =
          std::make_unique<lumo::render_output>(lumo::make_wav_render_sink(inspect_url(out_path)));
    } else {
      lumo::guid module = output_name == "null"     ? lumo::null_output_guid
                          : output_name == "render" ? lumo::render_output_guid
                                                    : lumo::directsound_output_guid;
      out = lumo::find_output_entry(module)->create(lumo::guid{});
    }
    out->set_format(spec);
    bool paced = out_path.empty() && output_name != "render";
    double amplitude = std::pow(10.0, level_db / 20.0);
    constexpr uint32_t block_frames = 441;
    std::vector<float> block(size_t{block_frames} * channels);
    uint64_t lead_frames = static_cast<uint64_t>(lead_in * rate);
    uint64_t tone_end = static_cast<uint64_t>((seconds + lead_in) * rate);
    uint64_t written = 0, total = static_cast<uint64_t>((seconds + lead_in + tail) * rate);
    double phase = 0.0;
    size_t next_event = 0;
    bool paused = false;
    std::chrono::steady_clock::time_point resume_at{};
    auto wall_start = std::chrono::steady_clock::now();
    auto now = [] { return std::chrono::steady_clock::now(); };
    for (;;) {
      out->update();
      double audible = static_cast<double>(written) / rate - out->latency_seconds() - lead_in;
      if (paused && now() >= resume_at) {
        paused = false;
        out->pause(false);
        std::printf("resume at %.4f\n", audible);
      }
      while (next_event < events.size() && !paused && audible >= events[next_event].at_seconds) {
        const tone_event& e = events[next_event++];
        if (e.kind == tone_event::volume) {
          out->set_volume(e.value);
          std::printf("volume %.2f at %.4f\n", e.value, audible);
        } else if (e.kind == tone_event::pause) {
          out->pause(true);
          std::printf("pause at %.4f\n", audible);
          paused = true;
          resume_at = now() + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                  std::chrono::duration<double>(e.value));
        } else {
          out->flush();
          std::printf("flush at %.4f\n", audible);
          freq = e.value;
          // The flushed audio is gone: the position continues from what was heard.
          written = static_cast<uint64_t>(std::max(0.0, audible + lead_in) * rate);
        }
        std::fflush(stdout);
      }
      if (written >= total) {
        if (out->latency_seconds() <= 0.0) break;
      } else {
        uint32_t frames = static_cast<uint32_t>(std::min<uint64_t>(block_frames, total - written));
        if (out->free_frames() >= frames) {
          for (uint32_t f = 0; f < frames; ++f) {
            float v = written + f < lead_frames || written + f >= tone_end
                          ? 0.0f
                          : static_cast<float>(amplitude * std::sin(phase));
            if (written + f >= lead_frames) phase += 2.0 * std::numbers::pi * freq / rate;
            if (phase > 2.0 * std::numbers::pi) phase -= 2.0 * std::numbers::pi;
            for (uint32_t c = 0; c < channels; ++c) block[size_t{f} * channels + c] = v;
          }
          out->write(block.data(), frames);
          written += frames;
          continue;
        }
      }
      if (paced) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    out->close();
    double wall = std::chrono::duration<double>(now() - wall_start).count();
    // The stream finishes its fade on the worker; then the worker can go.
    while (lumo::output_stream_count() > 0)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    lumo::shutdown_output_worker();
    std::printf("played %.3f s in %.3f s\n", static_cast<double>(written) / rate, wall);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "lumo-inspect tone: %s\n", kel::error_text(e).c_str());
    return 1;
  }
  return 0;
}
