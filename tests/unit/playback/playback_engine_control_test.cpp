// The playback engine's control around the sound: the power request held only while
// sound plays unpaused (with the execution-state fallback), repeat and shuffle, relative
// seeks, the stream-info poll, the playback fields, and the thread's lifecycle (shutdown
// during playback, calls from other threads). Tracks come from a synthetic decoder.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "core/debug_output.h"
#include "core/exceptions.h"
#include "core/main_thread.h"
#include "core/service_registry.h"
#include "playback/output.h"
#include "playback/playback_engine.h"
#include "playback/playback_fields.h"
#include "playback/render_output.h"

namespace lumo {
namespace {

// A stereo sine of a given length; its stream info reports a bit rate that rises by one
// every second of decoded audio, and it can be told to fail after some blocks.
class sine_decoder final : public input_decoder {
 public:
  sine_decoder(uint64_t frames, uint32_t rate, std::atomic<int>* polls, int fail_after_blocks)
      : frames_(frames), rate_(rate), polls_(polls), fail_after_(fail_after_blocks) {}

  void get_info(uint32_t, track_info_mutable& out, const abort_signal&) override {
    out = track_info_mutable();
    out.set_length(static_cast<double>(frames_) / rate_);
    out.info_set("bitrate", "100");
    out.info_set("codec", "Sine");
  }
  file_stats get_file_stats(const abort_signal&) override { return {}; }
  void initialize(uint32_t, uint32_t, const abort_signal&) override {}
  bool run(pcm_chunk& chunk, const abort_signal& abort) override {
    abort.check();
    if (fail_after_ >= 0 && blocks_++ >= fail_after_) throw sonatrix_io::exception_io_data();
    if (pos_ >= frames_) return false;
    uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(441, frames_ - pos_));
    float* p = chunk.reserve(size_t{n} * 2);
    for (uint32_t i = 0; i < n; ++i) {
      float v = static_cast<float>(
          0.25 * std::sin(2 * 3.14159265358979 * 440.0 * static_cast<double>(pos_ + i) / rate_));
      p[2 * i] = p[2 * i + 1] = v;
    }
    chunk.set_format(rate_, 2, 3);
    chunk.set_sample_count(n);
    pos_ += n;
    return true;
  }
  void seek(double seconds, const abort_signal&) override {
    pos_ = std::min<uint64_t>(frames_, static_cast<uint64_t>(std::llround(seconds * rate_)));
  }
  bool can_seek() override { return true; }
  bool get_dynamic_info(track_info_mutable& out, double& timestamp) override {
    if (polls_) ++*polls_;
    uint64_t kbps = 100 + pos_ / rate_;
    if (kbps == last_kbps_) return false;
    last_kbps_ = kbps;
    out.info_set("bitrate", std::to_string(kbps));
    timestamp = 0;
    return true;
  }
  bool get_dynamic_track_info(track_info_mutable&, double&) override { return false; }
  void on_idle(const abort_signal&) override {}
  void set_event_logger(event_logger*) override {}

 private:
  uint64_t frames_;
  uint32_t rate_;
  uint64_t pos_ = 0;
  uint64_t last_kbps_ = 100;
  std::atomic<int>* polls_;
  int fail_after_;
  int blocks_ = 0;
};

// The real-time null output (a sound card's pace, nothing heard).
std::unique_ptr<output> null_output() {
  return find_output_entry(null_output_guid)->create(guid{});
}

std::unique_ptr<output> render_to_nothing() {
  return std::make_unique<render_output>(std::make_unique<null_render_sink>());
}

// Runs the main-thread queue until done() or 10 seconds.
bool wait_for(const std::function<bool()>& done) {
  auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!done()) {
    if (std::chrono::steady_clock::now() > give_up) return false;
    run_pending(drain::until_empty);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  run_pending(drain::until_empty);
  return true;
}

struct call_log {
  std::mutex m;
  std::vector<std::string> calls;
  void add(std::string c) {
    std::lock_guard lock(m);
    calls.push_back(std::move(c));
  }
  std::vector<std::string> get() {
    std::lock_guard lock(m);
    return calls;
  }
  size_t size() { return get().size(); }
};

class recording_power final : public power_api {
 public:
  recording_power(call_log& log, bool has_requests) : log_(log), has_(has_requests) {}
  bool has_requests() override { return has_; }
  bool create_request() override {
    log_.add("create");
    return true;
  }
  void set_request() override { log_.add("set"); }
  void clear_request() override { log_.add("clear"); }
  void close_request() override { log_.add("close"); }
  void set_execution_state(uint32_t flags) override {
    char text[32];
    std::snprintf(text, sizeof text, "state %08x", flags);
    log_.add(text);
  }

 private:
  call_log& log_;
  bool has_;
};

// An engine over the synthetic decoder; track i of the queue lasts seconds[i] (or the
// last given length).
struct sine_engine {
  playback_engine engine;
  call_log opened;
  std::atomic<int> polls{0};
  std::vector<double> seconds{30.0};
  int fail_after_blocks = -1;
  int stops = 0;
  int info_changes = 0;
  std::vector<std::string> errors;

  explicit sine_engine(playback_engine::output_factory factory) : engine(std::move(factory)) {
    engine.set_decoder_opener([this](const track_location& l, const abort_signal&) {
      opened.add(std::to_string(l.subsong_index));
      double s = seconds[std::min(seconds.size() - 1, size_t{l.subsong_index})];
      return std::make_shared<sine_decoder>(static_cast<uint64_t>(s * 44100), 44100, &polls,
                                            fail_after_blocks);
    });
    playback_callbacks cb;
    cb.stopped = [this] { ++stops; };
    cb.info_changed = [this] { ++info_changes; };
    cb.error = [this](const std::string& m) { errors.push_back(m); };
    engine.set_callbacks(cb);
    engine.set_repeat(repeat_mode::off);
    engine.set_shuffle(false);
  }
  // Tracks are told apart by their subsong index.
  void play(size_t count, size_t start = 0) {
    std::vector<track_location> list;
    for (size_t i = 0; i < count; ++i) list.push_back({"file:///sine", static_cast<uint32_t>(i)});
    engine.play(list, start);
  }
};

TEST(PlaybackEngineControl, PowerRequestHeldOnlyWhileSoundPlaysUnpaused) {
  call_log power;
  {
    sine_engine s(null_output);
    s.engine.set_power_factory([&] { return std::make_unique<recording_power>(power, true); });
    s.play(1);
    ASSERT_TRUE(wait_for([&] { return power.size() == 2; }));
    EXPECT_EQ(power.get(), (std::vector<std::string>{"create", "set"}));
    s.engine.set_paused(true);
    ASSERT_TRUE(wait_for([&] { return power.size() == 3; }));
    EXPECT_EQ(power.get().back(), "clear");
    s.engine.set_paused(false);
    ASSERT_TRUE(wait_for([&] { return power.size() == 4; }));
    EXPECT_EQ(power.get().back(), "set");
    s.engine.stop();
    ASSERT_TRUE(wait_for([&] { return power.size() == 5 && s.stops == 1; }));
    EXPECT_EQ(power.get().back(), "clear");
    // Playback that ends on a decoding failure releases it too.
    s.fail_after_blocks = 20;
    s.play(1);
    ASSERT_TRUE(wait_for([&] { return s.stops == 2; }));
    ASSERT_EQ(s.errors.size(), 1u);
    EXPECT_EQ(s.errors[0].rfind("Decoding failure at 0:00.", 0), 0u) << s.errors[0];
    ASSERT_TRUE(wait_for([&] { return power.size() == 7; }));
    EXPECT_EQ(power.get().back(), "clear");
  }
  // The request is closed with the thread.
  EXPECT_EQ(power.get(), (std::vector<std::string>{"create", "set", "clear", "set", "clear", "set",
                                                   "clear", "close"}));
}

TEST(PlaybackEngineControl, WithoutPowerRequestsTheExecutionStateIsUsed) {
  call_log power;
  {
    sine_engine s(null_output);
    s.engine.set_power_factory([&] { return std::make_unique<recording_power>(power, false); });
    s.play(1);
    ASSERT_TRUE(wait_for([&] { return power.size() == 1; }));
    s.engine.set_paused(true);
    ASSERT_TRUE(wait_for([&] { return power.size() == 2; }));
    s.engine.set_paused(false);
    ASSERT_TRUE(wait_for([&] { return power.size() == 3; }));
    s.engine.stop();
    ASSERT_TRUE(wait_for([&] { return power.size() == 4; }));
  }
  EXPECT_EQ(power.get(), (std::vector<std::string>{"state 80000001", "state 80000000",
                                                   "state 80000001", "state 80000000"}));
}

TEST(PlaybackEngineControl, RepeatAndShuffleChooseWhatPlaysNext) {
  sine_engine s(render_to_nothing);
  s.seconds = {0.05};
  s.engine.set_shuffle(false);

  s.engine.set_repeat(repeat_mode::off);
  s.play(3);
  ASSERT_TRUE(wait_for([&] { return s.stops == 1; }));
  EXPECT_EQ(s.opened.get(), (std::vector<std::string>{"0", "1", "2"}));

  s.opened.calls.clear();
  s.engine.set_repeat(repeat_mode::all);
  s.play(3, 1);
  ASSERT_TRUE(wait_for([&] { return s.opened.size() >= 7; }));
  s.engine.stop();
  ASSERT_TRUE(wait_for([&] { return s.stops == 2; }));
  std::vector<std::string> all = s.opened.get();
  all.resize(7);
  EXPECT_EQ(all, (std::vector<std::string>{"1", "2", "0", "1", "2", "0", "1"}));

  s.opened.calls.clear();
  s.engine.set_repeat(repeat_mode::one);
  EXPECT_EQ(stored_repeat_mode(), repeat_mode::one);
  s.play(3, 2);
  ASSERT_TRUE(wait_for([&] { return s.opened.size() >= 4; }));
  s.engine.stop();
  ASSERT_TRUE(wait_for([&] { return s.stops == 3; }));
  std::vector<std::string> one = s.opened.get();
  EXPECT_TRUE(std::all_of(one.begin(), one.end(), [](const std::string& i) { return i == "2"; }));

  // Shuffled: the chosen track first, then every other one once.
  s.opened.calls.clear();
  s.engine.set_repeat(repeat_mode::off);
  s.engine.set_shuffle(true);
  EXPECT_TRUE(stored_shuffle());
  s.play(8, 5);
  ASSERT_TRUE(wait_for([&] { return s.stops == 4; }));
  std::vector<std::string> order = s.opened.get();
  ASSERT_EQ(order.size(), 8u);
  EXPECT_EQ(order[0], "5");
  EXPECT_EQ(std::set<std::string>(order.begin(), order.end()).size(), 8u);

  // A new engine starts with the stored choices.
  playback_engine other(render_to_nothing);
  EXPECT_EQ(other.repeat(), repeat_mode::off);
  EXPECT_TRUE(other.shuffle());
  s.engine.set_shuffle(false);
}

TEST(PlaybackEngineControl, FailingTracksEndEvenWhenRepeating) {
  sine_engine s(render_to_nothing);
  s.engine.set_shuffle(false);
  s.engine.set_repeat(repeat_mode::all);
  s.engine.set_decoder_opener(
      [](const track_location&, const abort_signal&) -> std::shared_ptr<input_decoder> {
        throw sonatrix_io::exception_io_data();
      });
  s.play(3);
  ASSERT_TRUE(wait_for([&] { return s.stops == 1; }));
  EXPECT_EQ(s.errors.size(), 3u);

  // Tracks that open but end before any audio: one round, then the end.
  s.errors.clear();
  s.engine.set_decoder_opener([&](const track_location& l, const abort_signal&) {
    s.opened.add(std::to_string(l.subsong_index));
    return std::make_shared<sine_decoder>(0, 44100, nullptr, -1);
  });
  s.play(3);
  ASSERT_TRUE(wait_for([&] { return s.stops == 2; }));
  EXPECT_EQ(s.opened.get(), (std::vector<std::string>{"0", "1", "2"}));
  ASSERT_EQ(s.errors.size(), 3u);
  EXPECT_NE(s.errors[0].find("Unsupported format or corrupted file"), std::string::npos)
      << s.errors[0];

  // Repeat one repeats a track that played to its end, not one that failed.
  s.opened.calls.clear();
  s.engine.set_repeat(repeat_mode::one);
  s.engine.set_decoder_opener([&](const track_location& l, const abort_signal&) {
    s.opened.add(std::to_string(l.subsong_index));
    return std::make_shared<sine_decoder>(44100, 44100, nullptr, 5);
  });
  s.play(2);
  ASSERT_TRUE(wait_for([&] { return s.stops == 3; }));
  EXPECT_EQ(s.opened.get(), (std::vector<std::string>{"0", "1"}));
  s.engine.set_repeat(repeat_mode::off);
}

TEST(PlaybackEngineControl, SeekStepsAndStreamInfoReachCallers) {
  sine_engine s(null_output);
  s.seconds = {30.0};
  s.engine.set_repeat(repeat_mode::off);
  s.play(1);
  ASSERT_TRUE(wait_for([&] { return s.engine.position_seconds() > 0.1; }));
  EXPECT_EQ(s.engine.length_seconds(), 30.0);
  EXPECT_EQ(s.engine.stream_info().info_find_value("codec"), "Sine");

  s.engine.seek_by(playback_seek_step_seconds);
  ASSERT_TRUE(wait_for([&] { return s.engine.position_seconds() >= 5.0; }));
  EXPECT_LT(s.engine.position_seconds(), 6.5);
  // Decoding runs ahead of the sound by the buffer; the bit rate follows the decoder.
  ASSERT_TRUE(wait_for([&] {
    track_info_mutable info = s.engine.stream_info();
    auto v = info.info_find_value("bitrate");
    return v && *v != "100";
  }));
  EXPECT_GE(s.info_changes, 2);  // the track's start, and the change

  // The poll is throttled to 0.1 s: over half a second a few polls, never one per loop.
  int before = s.polls.load();
  auto started = std::chrono::steady_clock::now();
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  double elapsed =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  EXPECT_LE(s.polls.load() - before, static_cast<int>(elapsed / 0.1) + 2);

  s.engine.seek_by(-2 * playback_seek_step_seconds);
  ASSERT_TRUE(wait_for([&] { return s.engine.position_seconds() < 1.5; }));
  s.engine.stop();
  ASSERT_TRUE(wait_for([&] { return s.stops == 1; }));
  EXPECT_EQ(s.engine.length_seconds(), 0.0);
  EXPECT_EQ(s.engine.stream_info().info_count(), 0u);
}

std::string field(title_format_hook& hook, std::string_view name, bool* found_out = nullptr) {
  std::string text;
  title_format_output out(text);
  title_format_field_output fo(out, default_text_filter());
  bool found = false;
  bool handled = hook.process_field(fo, name, found);
  if (found_out) *found_out = handled && found;
  return handled && found ? text : "<none>";
}

TEST(PlaybackFields, TruthTableThroughTheRegisteredProvider) {
  service_ptr<playback_fields> fields;
  for_each_service<playback_fields>([&](service_ptr<playback_fields> f) {
    fields = f;
    return false;
  });
  ASSERT_TRUE(fields);
  playback_field_state state;
  set_playback_field_source([&] { return state; });
  const char* names[] = {"_isplaying",
                         "isplaying",
                         "_ispaused",
                         "ispaused",
                         "_time_elapsed",
                         "playback_time",
                         "_time_elapsed_seconds",
                         "playback_time_seconds",
                         "_time_total",
                         "_time_total_seconds",
                         "_time_remaining",
                         "playback_time_remaining",
                         "_time_remaining_seconds",
                         "playback_time_remaining_seconds"};
  // Stopped: nothing.
  for (const char* n : names) EXPECT_EQ(field(*fields, n), "<none>") << n;

  state = {true, false, true, 65.75, 200.4};
  EXPECT_EQ(field(*fields, "_isplaying"), "1");
  EXPECT_EQ(field(*fields, "IsPlaying"), "1");
  EXPECT_EQ(field(*fields, "_ispaused"), "<none>");
  EXPECT_EQ(field(*fields, "playback_time"), "1:05");
  EXPECT_EQ(field(*fields, "_time_elapsed"), "1:05");
  EXPECT_EQ(field(*fields, "playback_time_seconds"), "65");
  EXPECT_EQ(field(*fields, "_time_total"), "3:20");
  EXPECT_EQ(field(*fields, "_time_total_seconds"), "200");
  EXPECT_EQ(field(*fields, "_time_remaining"), "2:15");
  EXPECT_EQ(field(*fields, "playback_time_remaining_seconds"), "135");

  state.paused = true;
  EXPECT_EQ(field(*fields, "_isplaying"), "1");
  EXPECT_EQ(field(*fields, "ispaused"), "1");
  EXPECT_EQ(field(*fields, "_time_elapsed_seconds"), "65");

  // Length unknown: the total and remaining fields are not found.
  state.length_seconds = 0;
  EXPECT_EQ(field(*fields, "_time_total"), "<none>");
  EXPECT_EQ(field(*fields, "_time_remaining_seconds"), "<none>");
  EXPECT_EQ(field(*fields, "playback_time"), "1:05");

  // Starting, before a track is heard: playing, but no time yet.
  state = {true, false, false, 0, 0};
  EXPECT_EQ(field(*fields, "isplaying"), "1");
  EXPECT_EQ(field(*fields, "playback_time"), "<none>");

  // Other names are left to the next provider.
  EXPECT_EQ(field(*fields, "title"), "<none>");
  EXPECT_EQ(field(*fields, "length"), "<none>");
  set_playback_field_source(nullptr);
}

std::string captured;
void capture(std::string_view text) {
  captured += text;
}

TEST(PlaybackEngineControl, PauseFromAWorkerThreadDoesNothingAndShutdownJoinsDuringPlayback) {
  call_log power;
  {
    sine_engine s(null_output);
    s.engine.set_power_factory([&] { return std::make_unique<recording_power>(power, true); });
    s.play(2);
    ASSERT_TRUE(wait_for([&] { return s.engine.position_seconds() > 0.05; }));
    set_debug_output_sink(capture);
    captured.clear();
    std::thread([&] {
      s.engine.set_paused(true);
      s.engine.toggle_pause();
      s.engine.next();
      s.engine.seek(10);
    }).join();
    set_debug_output_sink(nullptr);
    EXPECT_FALSE(s.engine.is_paused());
    EXPECT_TRUE(s.engine.is_playing());
    EXPECT_NE(captured.find("Error: this function can be called only from main thread.\n"),
              std::string::npos);
    // Queries are fine from any thread.
    std::thread([&] {
      EXPECT_TRUE(s.engine.is_playing());
      EXPECT_LT(s.engine.position_seconds(), 5.0);
    }).join();
    // The engine goes away while the sound plays: the thread is woken and joined.
  }
  EXPECT_EQ(power.get(), (std::vector<std::string>{"create", "set", "clear", "close"}));
}

}  // namespace
}  // namespace lumo
