#pragma once
// The playback engine: a main-thread service that keeps the play queue and one playback
// thread that decodes track after track into the output. Consecutive tracks are written
// without draining the output, so they play without a gap; the output is reopened only
// when the block format changes.
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/abort.h"
#include "input/input_handler.h"
#include "meta/track_info_mutable.h"
#include "meta/track_location.h"
#include "playback/output.h"
#include "playback/power_request.h"

namespace lumo {

// What the playback thread tells the main thread (each called there, through the
// main-thread queue).
struct playback_callbacks {
  std::function<void()> starting;
  // The track now heard: its index in the queue.
  std::function<void(size_t index)> track_changed;
  std::function<void(bool paused)> paused;
  std::function<void()> stopped;
  // One message per failure, in the form the user sees.
  std::function<void(const std::string& message)> error;
  // The decoding track's stream info changed (stream_info()).
  std::function<void()> info_changed;
};

// What plays after a track ends: off stops after the last one, all starts the queue
// over, one plays the same track again. Next and previous always move.
enum class repeat_mode : int32_t { off = 0, all = 1, one = 2 };

// Fast forward and rewind move this far within the playing track.
inline constexpr double playback_seek_step_seconds = 5.0;

// The stored choices (configuration variables), used by every new engine. Main thread.
repeat_mode stored_repeat_mode();
bool stored_shuffle();

class playback_engine {
 public:
  using output_factory = std::function<std::unique_ptr<output>()>;
  using power_factory = std::function<std::unique_ptr<power_api>()>;
  // Opens a track's decoder, initialized for playback (the input framework when empty).
  using decoder_opener = std::function<std::shared_ptr<input_decoder>(
      const track_location& location, const abort_signal& abort)>;
  // factory makes the output when playback first needs one (the configured output when
  // empty).
  explicit playback_engine(output_factory factory = {});
  // Stops and joins the playback thread.
  ~playback_engine();
  playback_engine(const playback_engine&) = delete;
  playback_engine& operator=(const playback_engine&) = delete;

  void set_callbacks(playback_callbacks callbacks);
  // Seams, set before the first play: the power calls (the system's when unset) and the
  // decoder opener.
  void set_power_factory(power_factory factory);
  void set_decoder_opener(decoder_opener opener);

  // Main thread only, all of them: from another thread they write the "only from main
  // thread" line to the debug output and do nothing.
  // Replaces the queue and starts at start_index, start_seconds into that track.
  void play(std::vector<track_location> list, size_t start_index, double start_seconds = 0);
  void stop();
  void set_paused(bool paused);
  void toggle_pause();
  void next();
  // Restarts the current track when it has played more than 3 seconds.
  void previous();
  // Within the playing track.
  void seek(double seconds);
  void seek_by(double seconds);
  void set_volume(double volume_db);
  // Stored in the configuration; the order of the playing queue follows at once.
  void set_repeat(repeat_mode mode);
  // A new shuffled order keeps the playing track and draws the rest at random.
  void set_shuffle(bool shuffle);

  // Any thread.
  repeat_mode repeat() const;
  bool shuffle() const;
  double volume_db() const;
  bool is_playing() const;  // true while paused too
  bool is_paused() const;   // true while stopping
  std::optional<track_location> playing_track() const;
  std::optional<size_t> playing_index() const;
  double position_seconds() const;
  // The audible track's length in seconds, 0 when unknown or stopped.
  double length_seconds() const;
  // The decoding track's info, updated by the stream-info poll (bit rate of a VBR file,
  // a live stream's title); empty when stopped.
  track_info_mutable stream_info() const;
  // Every error message so far, oldest first.
  std::vector<std::string> errors() const;

 private:
  struct entry;
  struct thread_state;
  enum class request_kind { none, play, seek, stop };

  bool check_main_thread() const;
  void request(request_kind kind, size_t index, double seconds);
  void thread_main();
  void loop(thread_state& ts);
  bool handle_request(thread_state& ts);
  bool open_entry(thread_state& ts, std::optional<size_t> index, double seconds);
  // The queue index after `from` in play order; nullopt at the end. track_end: the
  // track played to its end (repeat one plays it again). Main lock held.
  std::optional<size_t> following(size_t from, bool track_end) const;
  void make_order(size_t first);
  void poll_stream_info(thread_state& ts);
  void decode_step(thread_state& ts);
  void update_position(thread_state& ts);
  void finish(thread_state& ts);
  void report(std::string message);
  void post(std::function<void(playback_callbacks&)> fn);

  output_factory factory_;
  power_factory power_factory_;
  decoder_opener opener_;
  playback_callbacks callbacks_;  // main thread

  // main lock: the queue, the request and the position.
  mutable std::mutex main_lock_;
  std::condition_variable wake_;
  std::vector<track_location> queue_;
  std::vector<size_t> order_;  // play order: queue indexes
  repeat_mode repeat_ = repeat_mode::off;
  bool shuffle_ = false;
  uint64_t shuffle_seed_;
  double audible_length_ = 0;
  track_info_mutable stream_info_;
  request_kind request_ = request_kind::none;
  size_t request_index_ = 0;
  double request_seconds_ = 0;
  bool active_ = false;
  bool stopping_ = false;
  std::optional<size_t> audible_index_;
  double audible_seconds_ = 0;
  std::vector<std::string> errors_;
  // Unwinds a blocking decoder call when a new request arrives.
  abort_source reopen_;

  mutable std::mutex volume_lock_;
  double volume_db_ = 0;
  bool volume_changed_ = true;

  mutable std::mutex pause_lock_;
  bool paused_ = false;
  bool pause_changed_ = true;

  std::thread thread_;
  std::shared_ptr<bool> alive_;  // callbacks posted after destruction do nothing
};

}  // namespace lumo
