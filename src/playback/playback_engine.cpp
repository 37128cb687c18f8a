// The playback engine's service side (main thread) and its playback thread.
#include "playback/playback_engine.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>

#include "config/config_vars.h"
#include "core/debug_output.h"
#include "core/exceptions.h"
#include "core/main_thread.h"
#include "fs/file_system.h"
#include "input/input_open.h"
#include "meta/time_text.h"
#include "meta/track_info_mutable.h"
#include "playback/output_spec.h"
#include "playback/playback_settings.h"
#include "playback/thread_setup.h"

namespace lumo {

namespace {

std::string display_form(const std::string& url) {
  try {
    return find_file_system(url).display_path(url);
  } catch (const std::exception&) {
    return url;
  }
}

// Previous restarts the track instead once it has played this long.
constexpr double restart_threshold_seconds = 3.0;

config_int32 g_repeat{
    {0x3b8e52d4u, 0x71c6, 0x4f0a, {0x9d, 0x27, 0xe5, 0x48, 0x13, 0xa0, 0x6c, 0xf1}}, 0};
config_bool g_shuffle{
    {0x4c9f63e5u, 0x82d7, 0x401b, {0xae, 0x38, 0xf6, 0x59, 0x24, 0xb1, 0x7d, 0x02}}, false};

repeat_mode to_repeat_mode(int32_t value) {
  switch (value) {
    case 1: return repeat_mode::all;
    case 2: return repeat_mode::one;
    default: return repeat_mode::off;
  }
}

}  // namespace

repeat_mode stored_repeat_mode() {
  return to_repeat_mode(g_repeat.get());
}

bool stored_shuffle() {
  return g_shuffle.get();
}

void store_repeat_mode(repeat_mode mode) {
  g_repeat.set(static_cast<int32_t>(mode));
}

void store_shuffle(bool shuffle) {
  g_shuffle.set(shuffle);
}

// One opened track. Its start time is the engine time at which its first sample was
// handed to the output; all of the previous track was handed over before it opened.
struct playback_engine::entry {
  size_t index = 0;
  track_location location;
  std::shared_ptr<input_decoder> decoder;
  double start_time = 0;
  double start_offset = 0;  // where decoding began (a start position or a seek)
  double scale = 1.0;
  double length = 0;
  track_info_mutable info;
  bool produced = false;
};

struct playback_engine::thread_state {
  std::unique_ptr<output> out;
  std::vector<entry> entries;  // the one decoding last; earlier ones may still be heard
  bool decoding = false;       // the last entry still has audio to give
  pcm_chunk chunk;
  uint32_t chunk_done = 0;  // frames of chunk already written
  bool chunk_pending = false;
  double engine_time = 0;
  bool ended = false;  // the queue is exhausted; the output drains
  std::optional<size_t> last_told;
  std::chrono::steady_clock::time_point last_position{};
  std::chrono::steady_clock::time_point last_poll{};
  bool poll_now = false;     // a track has just started
  size_t silent_tracks = 0;  // tracks in a row that ended without audio
  bool paused = false;       // as last read under the pause lock
  std::unique_ptr<power_request> power;
};

playback_engine::playback_engine(output_factory factory)
    : factory_(std::move(factory)), alive_(std::make_shared<bool>(true)) {
  if (!factory_) factory_ = [] { return create_configured_output(); };
  volume_db_ = get_master_volume_db();
  repeat_ = stored_repeat_mode();
  shuffle_ = stored_shuffle();
  shuffle_seed_ = std::random_device{}();
}

playback_engine::~playback_engine() {
  *alive_ = false;
  {
    std::lock_guard lock(main_lock_);
    stopping_ = true;
  }
  reopen_.abort();
  wake();
  if (thread_.joinable()) thread_.join();
}

void playback_engine::set_callbacks(playback_callbacks callbacks) {
  callbacks_ = std::move(callbacks);
}

void playback_engine::set_power_factory(power_factory factory) {
  power_factory_ = std::move(factory);
}

void playback_engine::set_decoder_opener(decoder_opener opener) {
  opener_ = std::move(opener);
}

bool playback_engine::check_main_thread() const {
  if (is_main_thread()) return true;
  debug_output("Error: this function can be called only from main thread.\n");
  return false;
}

void playback_engine::post(std::function<void(playback_callbacks&)> fn) {
  std::weak_ptr<bool> alive = alive_;
  post_to_main_thread([this, alive, fn = std::move(fn)] {
    auto a = alive.lock();
    if (a && *a) fn(callbacks_);
  });
}

void playback_engine::request(request_kind kind, size_t index, double seconds) {
  // Unwind a decoder call in progress first, so the lock is free soon.
  reopen_.abort();
  {
    std::lock_guard lock(main_lock_);
    request_ = kind;
    request_index_ = index;
    request_seconds_ = seconds;
  }
  wake();
}

void playback_engine::play(std::vector<track_location> list, size_t start_index,
                           double start_seconds) {
  if (!check_main_thread()) return;
  if (start_index >= list.size()) return;
  {
    std::lock_guard lock(main_lock_);
    queue_ = std::move(list);
    make_order(start_index);
    active_ = true;
  }
  if (!thread_.joinable()) thread_ = std::thread([this] { thread_main(); });
  if (callbacks_.starting) callbacks_.starting();
  request(request_kind::play, start_index, start_seconds);
}

void playback_engine::stop() {
  if (!check_main_thread()) return;
  if (!thread_.joinable()) return;
  request(request_kind::stop, 0, 0);
}

void playback_engine::set_paused(bool paused) {
  if (!check_main_thread()) return;
  if (!is_playing()) return;
  {
    std::lock_guard lock(pause_lock_);
    if (paused_ == paused) return;
    paused_ = paused;
    pause_changed_ = true;
  }
  wake();
  if (callbacks_.paused) callbacks_.paused(paused);
}

void playback_engine::toggle_pause() {
  if (!check_main_thread()) return;
  set_paused(!is_paused());
}

void playback_engine::next() {
  if (!check_main_thread()) return;
  std::optional<size_t> at = playing_index();
  if (!at) return;
  std::optional<size_t> to;
  {
    std::lock_guard lock(main_lock_);
    to = following(*at, false);
  }
  if (to) request(request_kind::play, *to, 0);
}

void playback_engine::previous() {
  if (!check_main_thread()) return;
  std::optional<size_t> at = playing_index();
  if (!at) return;
  size_t to = *at;
  if (position_seconds() <= restart_threshold_seconds) {
    std::lock_guard lock(main_lock_);
    auto pos = std::find(order_.begin(), order_.end(), *at);
    if (pos != order_.begin() && pos != order_.end())
      to = *(pos - 1);
    else if (pos == order_.begin() && repeat_ == repeat_mode::all && !order_.empty())
      to = order_.back();
  }
  request(request_kind::play, to, 0);
}

void playback_engine::seek(double seconds) {
  if (!check_main_thread()) return;
  if (!playing_index()) return;
  request(request_kind::seek, 0, std::max(0.0, seconds));
}

void playback_engine::seek_by(double seconds) {
  if (!check_main_thread()) return;
  seek(position_seconds() + seconds);
}

void playback_engine::set_volume(double volume_db) {
  if (!check_main_thread()) return;
  volume_db = std::clamp(volume_db, min_volume_db, max_volume_db);
  {
    std::lock_guard main(main_lock_);
    std::lock_guard lock(volume_lock_);
    volume_db_ = volume_db;
    volume_changed_ = true;
  }
  wake();
}

void playback_engine::set_repeat(repeat_mode mode) {
  if (!check_main_thread()) return;
  store_repeat_mode(mode);
  std::lock_guard lock(main_lock_);
  repeat_ = mode;
}

void playback_engine::set_shuffle(bool shuffle) {
  if (!check_main_thread()) return;
  store_shuffle(shuffle);
  std::lock_guard lock(main_lock_);
  if (shuffle_ == shuffle) return;
  shuffle_ = shuffle;
  // The playing track stays where it is in the new order.
  size_t first = audible_index_.value_or(0);
  make_order(first);
}

repeat_mode playback_engine::repeat() const {
  std::lock_guard lock(main_lock_);
  return repeat_;
}

bool playback_engine::shuffle() const {
  std::lock_guard lock(main_lock_);
  return shuffle_;
}

// Main lock held. Unshuffled the order is the queue's; shuffled it starts with `first`
// and draws the rest.
void playback_engine::make_order(size_t first) {
  order_.resize(queue_.size());
  for (size_t i = 0; i < order_.size(); ++i) order_[i] = i;
  if (!shuffle_ || order_.empty() || first >= order_.size()) return;
  std::swap(order_[0], order_[first]);
  std::mt19937_64 random(shuffle_seed_++);
  std::shuffle(order_.begin() + 1, order_.end(), random);
}

std::optional<size_t> playback_engine::following(size_t from, bool track_end) const {
  if (from >= queue_.size()) return std::nullopt;
  if (track_end && repeat_ == repeat_mode::one) return from;
  auto pos = std::find(order_.begin(), order_.end(), from);
  if (pos == order_.end()) return std::nullopt;
  if (pos + 1 != order_.end()) return *(pos + 1);
  if (repeat_ == repeat_mode::all) return order_.front();
  return std::nullopt;
}

double playback_engine::volume_db() const {
  std::lock_guard lock(volume_lock_);
  return volume_db_;
}

bool playback_engine::is_playing() const {
  std::lock_guard lock(main_lock_);
  return active_;
}

bool playback_engine::is_paused() const {
  {
    std::lock_guard lock(main_lock_);
    if (stopping_) return true;
  }
  std::lock_guard lock(pause_lock_);
  return paused_;
}

std::optional<track_location> playback_engine::playing_track() const {
  std::lock_guard lock(main_lock_);
  if (!active_ || !audible_index_ || *audible_index_ >= queue_.size()) return std::nullopt;
  return queue_[*audible_index_];
}

std::optional<size_t> playback_engine::playing_index() const {
  std::lock_guard lock(main_lock_);
  if (!active_) return std::nullopt;
  return audible_index_;
}

double playback_engine::position_seconds() const {
  std::lock_guard lock(main_lock_);
  return active_ ? audible_seconds_ : 0.0;
}

double playback_engine::length_seconds() const {
  std::lock_guard lock(main_lock_);
  return active_ && audible_index_ ? audible_length_ : 0.0;
}

track_info_mutable playback_engine::stream_info() const {
  std::lock_guard lock(main_lock_);
  return active_ ? stream_info_ : track_info_mutable();
}

std::vector<std::string> playback_engine::errors() const {
  std::lock_guard lock(main_lock_);
  return errors_;
}

void playback_engine::report(std::string message) {
  debug_output(message + "\n");
  {
    std::lock_guard lock(main_lock_);
    errors_.push_back(message);
  }
  post([message](playback_callbacks& c) {
    if (c.error) c.error(message);
  });
}

// ---- the playback thread ----

void playback_engine::thread_main() {
  raise_thread_priority_time_critical();
  thread_state ts;
  try {
    com_thread_scope com;
    ts.power = std::make_unique<power_request>(power_factory_ ? power_factory_()
                                                              : make_system_power_api());
    loop(ts);
  } catch (const std::exception& e) {
    report(std::string("Unrecoverable playback error: ") + e.what());
    finish(ts);
  }
  if (ts.out) {
    ts.out->close();
    ts.out.reset();
  }
}

void playback_engine::loop(thread_state& ts) {
  for (;;) {
    {
      std::lock_guard lock(main_lock_);
      if (stopping_) return;
    }
    bool volume_changed = false;
    double volume = 0;
    {
      std::lock_guard lock(volume_lock_);
      if (volume_changed_) {
        volume_changed = true;
        volume_changed_ = false;
        volume = volume_db_;
      }
    }
    if (volume_changed && ts.out) ts.out->set_volume(volume);
    bool pause_changed = false;
    {
      std::lock_guard lock(pause_lock_);
      if (pause_changed_) {
        pause_changed = true;
        pause_changed_ = false;
        ts.paused = paused_;
      }
    }
    if (pause_changed && ts.out) ts.out->pause(ts.paused);
    // Held only while sound plays unpaused.
    ts.power->set_playing(!ts.entries.empty() && !ts.paused);

    try {
      if (handle_request(ts)) continue;
      if (ts.out) ts.out->update();
      // The output is made with the first block, so decoding starts without one.
      while (!ts.ended && (ts.decoding || ts.chunk_pending) &&
             (!ts.out || ts.out->free_frames() > 0)) {
        if (reopen_.is_aborting()) break;
        decode_step(ts);
        if (!ts.decoding && !ts.chunk_pending) break;
      }
      update_position(ts);
      poll_stream_info(ts);
      // Nothing was heard when every track failed: no output to drain.
      if (ts.ended && (!ts.out || ts.out->latency_seconds() <= 0)) finish(ts);
      std::optional<std::chrono::microseconds> sleep = sleep_time(ts);
      if (sleep && sleep->count() <= 0) continue;
      wait_for_wake(sleep);
      continue;
    } catch (const kel::exception_aborted&) {
      if (!reopen_.is_aborting()) throw;
      continue;  // a new request unwound the decoder
    } catch (const std::exception& e) {
      // Playback stops, but the thread stays for the next play.
      report(std::string("Unrecoverable playback error: ") + e.what());
      finish(ts);
      continue;
    }
  }
}

void playback_engine::wake() {
  {
    std::lock_guard lock(wake_lock_);
    woken_ = true;
  }
  wake_cv_.notify_all();
}

void playback_engine::wait_for_wake(std::optional<std::chrono::microseconds> timeout) {
  std::unique_lock lock(wake_lock_);
  if (timeout)
    wake_cv_.wait_for(lock, *timeout, [&] { return woken_; });
  else
    wake_cv_.wait(lock, [&] { return woken_; });
  woken_ = false;
}

// Steady playback refills the output in steps of refill_seconds instead of topping it
// up at every pass of the output worker: each wake-up costs more than the copy (under
// Wine several times more), and the 0.5 s buffer plus the staging queue leave well over
// half a second of audio in hand when the step is due. The thread still wakes at least
// every max_sleep_seconds, so the audible position and the stream-info poll keep their
// pace; requests, volume and pause changes wake it at once.
std::optional<std::chrono::microseconds> playback_engine::sleep_time(thread_state& ts) {
  constexpr double refill_seconds = 0.1;
  constexpr double max_sleep_seconds = 0.1;
  constexpr double drain_poll_seconds = 0.01;
  auto micros = [](double seconds) {
    return std::chrono::microseconds(static_cast<int64_t>(seconds * 1e6));
  };
  // No output: nothing plays, only a request matters.
  if (!ts.out) return std::nullopt;
  if (ts.paused || !ts.out->has_format()) return micros(max_sleep_seconds);
  // Draining (the end of the queue, under a second) keeps the short poll while a device
  // plays it out. An output without a clock plays out only as it is updated, so it is
  // updated straight on: sleeping there left a render idle for the buffer's length.
  if (ts.ended) return ts.out->has_clock() ? micros(drain_poll_seconds) : micros(0);
  if (!ts.decoding && !ts.chunk_pending) return micros(max_sleep_seconds);
  double rate = ts.out->format().sample_rate;
  double free_seconds = ts.out->free_frames() / rate;
  if (free_seconds >= refill_seconds) return std::chrono::microseconds(0);
  return micros(std::min(refill_seconds - free_seconds, max_sleep_seconds));
}

// Acts on a pending play, seek or stop; true when one was handled.
bool playback_engine::handle_request(thread_state& ts) {
  request_kind kind;
  size_t index;
  double seconds;
  {
    std::lock_guard lock(main_lock_);
    kind = request_;
    index = request_index_;
    seconds = request_seconds_;
    request_ = request_kind::none;
    if (kind != request_kind::none) reopen_.reset();
  }
  switch (kind) {
    case request_kind::none: return false;
    case request_kind::stop: finish(ts); return true;
    case request_kind::seek: {
      if (ts.entries.empty() || !ts.decoding) {
        // The last track was decoded to its end already: open it again there.
        std::optional<size_t> at;
        {
          std::lock_guard lock(main_lock_);
          at = audible_index_;
        }
        if (!at) return true;
        index = *at;
        break;
      }
      entry& e = ts.entries.back();
      if (ts.out && ts.out->has_format()) ts.out->flush();
      ts.chunk_pending = false;
      try {
        e.decoder->seek(seconds, reopen_);
      } catch (const kel::exception_aborted&) {
        throw;
      } catch (const std::exception& ex) {
        report("Unable to seek to " + format_time_text_ms(seconds) + " (" + ex.what() + "):\r\n" +
               display_form(e.location.path));
        ts.decoding = false;
        ts.ended = true;
        return true;
      }
      entry kept = std::move(e);
      ts.entries.clear();
      kept.start_time = ts.engine_time;
      kept.start_offset = seconds;
      ts.entries.push_back(std::move(kept));
      ts.ended = false;
      return true;
    }
    case request_kind::play: break;
  }
  if (ts.out && ts.out->has_format()) ts.out->flush();
  ts.entries.clear();
  ts.chunk_pending = false;
  ts.decoding = false;
  ts.ended = false;
  ts.last_told.reset();
  ts.silent_tracks = 0;
  {
    std::lock_guard lock(main_lock_);
    // The previous queue may have ended meanwhile; this one is playing.
    active_ = true;
    audible_index_.reset();
    audible_seconds_ = 0;
  }
  if (!open_entry(ts, index, seconds)) ts.ended = true;
  return true;
}

// Opens the queue entry at index, or the first one after it in play order that opens;
// false when none is left. Each entry is tried at most once, so a queue of failing
// files ends even when repeating.
bool playback_engine::open_entry(thread_state& ts, std::optional<size_t> index, double seconds) {
  size_t attempts = 0;
  auto skip = [&] {
    std::lock_guard lock(main_lock_);
    index = following(*index, false);
    seconds = 0;
  };
  while (index) {
    track_location location;
    {
      std::lock_guard lock(main_lock_);
      if (*index >= queue_.size() || attempts++ >= queue_.size()) return false;
      location = queue_[*index];
    }
    entry e;
    e.index = *index;
    e.location = location;
    try {
      if (opener_) {
        e.decoder = opener_(location, reopen_);
      } else {
        e.decoder = open_input_decoder(location.path, nullptr, reopen_);
        e.decoder->initialize(location.subsong_index, input_flag_playback, reopen_);
      }
      e.decoder->get_info(location.subsong_index, e.info, reopen_);
      e.length = e.info.get_length();
      e.scale = replaygain_scale(get_replaygain_settings(), e.info.get_replaygain());
    } catch (const kel::exception_aborted&) {
      if (reopen_.is_aborting()) throw;
      report(std::string("Unable to open item for playback (") + kel::exception_aborted().what() +
             "):\r\n" + display_form(location.path));
      skip();
      continue;
    } catch (const std::exception& ex) {
      report(std::string("Unable to open item for playback (") + ex.what() + "):\r\n" +
             display_form(location.path));
      skip();
      continue;
    }
    if (seconds > 0) {
      try {
        e.decoder->seek(seconds, reopen_);
        e.start_offset = seconds;
      } catch (const kel::exception_aborted&) {
        throw;
      } catch (const std::exception& ex) {
        report("Unable to seek to " + format_time_text_ms(seconds) + " (" + ex.what() + "):\r\n" +
               display_form(location.path));
      }
    }
    e.start_time = ts.engine_time;
    {
      std::lock_guard lock(main_lock_);
      stream_info_ = e.info;
    }
    ts.entries.push_back(std::move(e));
    ts.decoding = true;
    ts.poll_now = true;
    post([](playback_callbacks& c) {
      if (c.info_changed) c.info_changed();
    });
    return true;
  }
  return false;
}

// At most every 0.1 s, and at once when a track has started: the decoder's changed
// stream info becomes the engine's.
void playback_engine::poll_stream_info(thread_state& ts) {
  if (ts.entries.empty() || !ts.decoding) return;
  auto now = std::chrono::steady_clock::now();
  if (!ts.poll_now && now - ts.last_poll < std::chrono::milliseconds(100)) return;
  ts.poll_now = false;
  ts.last_poll = now;
  entry& e = ts.entries.back();
  track_info_mutable changed;
  double timestamp = 0;
  if (!e.decoder->get_dynamic_info(changed, timestamp)) return;
  for (size_t i = 0; i < changed.info_count(); ++i)
    e.info.info_set(changed.info_name(i), changed.info_value(i));
  {
    std::lock_guard lock(main_lock_);
    stream_info_ = e.info;
  }
  post([](playback_callbacks& c) {
    if (c.info_changed) c.info_changed();
  });
}

void playback_engine::decode_step(thread_state& ts) {
  if (!ts.chunk_pending) {
    if (!ts.decoding) return;
    entry& e = ts.entries.back();
    bool got;
    bool failed = false;
    try {
      got = e.decoder->run(ts.chunk, reopen_);
      if (got && !ts.chunk.is_valid()) throw sonatrix_io::exception_io_data();
      if (!got && !e.produced) throw sonatrix_io::exception_io_data();
    } catch (const kel::exception_aborted&) {
      throw;
    } catch (const std::exception& ex) {
      report("Decoding failure at " +
             format_time_text_ms(e.start_offset + ts.engine_time - e.start_time) + " (" +
             ex.what() + "):\r\n" + display_form(e.location.path));
      got = false;
      failed = true;
    }
    if (!got) {
      // The next track follows at once: the output is not drained in between.
      ts.decoding = false;
      // Only a track that played to its end repeats; a whole round of tracks without
      // audio ends playback, so repeating never spins on broken files.
      ts.silent_tracks = e.produced ? 0 : ts.silent_tracks + 1;
      std::optional<size_t> next;
      {
        std::lock_guard lock(main_lock_);
        next = ts.silent_tracks >= queue_.size() ? std::nullopt : following(e.index, !failed);
      }
      if (!open_entry(ts, next, 0)) ts.ended = true;
      return;
    }
    e.produced = true;
    if (ts.chunk.sample_count() == 0) return;
    if (e.scale != 1.0) {
      float s = static_cast<float>(e.scale);
      float* p = ts.chunk.data();
      for (uint32_t i = 0; i < ts.chunk.data_size(); ++i) p[i] *= s;
    }
    output_spec spec;
    spec.sample_rate = ts.chunk.sample_rate();
    spec.channels = ts.chunk.channels();
    spec.channel_mask = ts.chunk.channel_mask() ? ts.chunk.channel_mask()
                                                : default_channel_mask(ts.chunk.channels());
    spec.bits_per_sample = 32;
    spec.is_float = true;
    if (!ts.out) {
      ts.out = factory_();
      double volume;
      {
        std::lock_guard lock(volume_lock_);
        volume = volume_db_;
        volume_changed_ = false;
      }
      ts.out->set_volume(volume);
      bool paused;
      {
        std::lock_guard lock(pause_lock_);
        paused = paused_;
        pause_changed_ = false;
      }
      ts.paused = paused;
      if (paused) ts.out->pause(true);
    }
    if (!ts.out->has_format() || !ts.out->format().same_format(spec)) ts.out->set_format(spec);
    ts.chunk_done = 0;
    ts.chunk_pending = true;
  }
  // The output may keep the block's storage and leave the chunk empty: read it first.
  uint32_t frames = ts.chunk.sample_count();
  double rate = ts.chunk.sample_rate();
  uint32_t took = ts.out->write_block(ts.chunk, ts.chunk_done);
  ts.chunk_done += took;
  ts.engine_time += static_cast<double>(took) / rate;
  if (ts.chunk_done >= frames) ts.chunk_pending = false;
}

void playback_engine::update_position(thread_state& ts) {
  if (ts.entries.empty()) return;
  auto now = std::chrono::steady_clock::now();
  if (now - ts.last_position < std::chrono::milliseconds(50) && ts.last_told) return;
  ts.last_position = now;
  double latency = ts.out ? std::max(0.0, ts.out->latency_seconds()) : 0.0;
  double audible = ts.engine_time - latency;
  size_t which = 0;
  for (size_t i = 0; i < ts.entries.size(); ++i) {
    if (ts.entries[i].start_time <= audible) which = i;
  }
  // Tracks before the audible one are over.
  if (which > 0) ts.entries.erase(ts.entries.begin(), ts.entries.begin() + which);
  const entry& e = ts.entries.front();
  {
    std::lock_guard lock(main_lock_);
    audible_index_ = e.index;
    audible_seconds_ = std::max(0.0, audible - e.start_time) + e.start_offset;
    audible_length_ = e.length;
  }
  if (ts.last_told != e.index) {
    ts.last_told = e.index;
    size_t index = e.index;
    post([index](playback_callbacks& c) {
      if (c.track_changed) c.track_changed(index);
    });
  }
}

// Playback has ended (queue exhausted and heard, or stopped): close the output.
void playback_engine::finish(thread_state& ts) {
  bool was_active;
  {
    std::lock_guard lock(main_lock_);
    was_active = active_;
    active_ = false;
    audible_index_.reset();
    audible_seconds_ = 0;
    audible_length_ = 0;
    stream_info_ = track_info_mutable();
  }
  {
    std::lock_guard lock(pause_lock_);
    paused_ = false;
    pause_changed_ = false;
  }
  ts.paused = false;
  ts.silent_tracks = 0;
  if (ts.power) ts.power->set_playing(false);
  ts.entries.clear();
  ts.decoding = false;
  ts.chunk_pending = false;
  ts.ended = false;
  ts.last_told.reset();
  if (ts.out) {
    ts.out->close();
    ts.out.reset();
  }
  if (was_active) {
    post([](playback_callbacks& c) {
      if (c.stopped) c.stopped();
    });
  }
}

}  // namespace lumo
