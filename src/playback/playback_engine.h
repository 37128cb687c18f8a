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
#include "meta/track_location.h"
#include "playback/output.h"

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
};

class playback_engine {
 public:
  using output_factory = std::function<std::unique_ptr<output>()>;
  // factory makes the output when playback first needs one (the configured output when
  // empty).
  explicit playback_engine(output_factory factory = {});
  // Stops and joins the playback thread.
  ~playback_engine();
  playback_engine(const playback_engine&) = delete;
  playback_engine& operator=(const playback_engine&) = delete;

  void set_callbacks(playback_callbacks callbacks);

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

  // Any thread.
  double volume_db() const;
  bool is_playing() const;  // true while paused too
  bool is_paused() const;   // true while stopping
  std::optional<track_location> playing_track() const;
  std::optional<size_t> playing_index() const;
  double position_seconds() const;
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
  bool open_entry(thread_state& ts, size_t index, double seconds, bool report);
  void decode_step(thread_state& ts);
  void update_position(thread_state& ts);
  void finish(thread_state& ts);
  void report(std::string message);
  void post(std::function<void(playback_callbacks&)> fn);

  output_factory factory_;
  playback_callbacks callbacks_;  // main thread

  // main lock: the queue, the request and the position.
  mutable std::mutex main_lock_;
  std::condition_variable wake_;
  std::vector<track_location> queue_;
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
