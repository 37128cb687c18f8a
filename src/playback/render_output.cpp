#include "playback/render_output.h"

#include <algorithm>
#include <cmath>

#include "playback/playback_settings.h"
#include "playback/sample_convert.h"

namespace lumo {
namespace {

constexpr double volume_ramp_seconds = 0.05;
constexpr double update_seconds = 0.01;  // what one update plays, like one worker pass
constexpr uint64_t scratch_frames = 4096;
// Pooled storage holds this many frames: a decoder's block fits without growing it.
constexpr uint64_t pool_block_frames = 4096;
// Slots for blocks down to this size on average fill the buffer; smaller ones are
// copied once the slots run short.
constexpr uint64_t min_kept_block_frames = 256;

}  // namespace

render_output::render_output(std::unique_ptr<render_sink> sink) : sink_(std::move(sink)) {}

render_output::~render_output() {
  try {
    close();
  } catch (...) {
    // A destructor cannot report; close() explicitly to see a failed file.
  }
}

uint64_t render_output::seconds_to_frames(double seconds) const {
  return static_cast<uint64_t>(std::llround(seconds * spec_.sample_rate));
}

void render_output::set_format(const output_spec& spec) {
  validate_output_spec(spec);
  if (open_) play_all();
  bool same = open_ && spec_.same_format(spec);
  if (sink_open_ && !same) {
    sink_open_ = false;
    sink_->end();
  }
  drop_all();
  spec_ = spec;
  capacity_ = std::max<uint64_t>(1, seconds_to_frames(spec.buffer_seconds));
  // Copies fill whole pooled blocks, so the head's and the tail's partial blocks are all
  // the pool needs beyond the buffer length.
  size_t blocks = static_cast<size_t>((capacity_ + pool_block_frames - 1) / pool_block_frames) + 2;
  size_t block_floats = static_cast<size_t>(pool_block_frames) * spec.channels;
  size_t slot_total = static_cast<size_t>(capacity_ / min_kept_block_frames) + blocks + 2;
  slots_.clear();
  slots_.resize(slot_total);
  slot_head_ = slot_count_ = 0;
  // Room for every block the output can hold, so freeing one never allocates.
  pool_.reserve(slot_total + blocks);
  if (pool_.size() > blocks) pool_.resize(blocks);
  for (auto& storage : pool_) {
    if (storage.size() < block_floats) storage.resize(block_floats);
  }
  while (pool_.size() < blocks) pool_.emplace_back(block_floats);
  scratch_.assign(scratch_frames * spec.channels, 0.0f);
  bytes_.assign(scratch_frames * spec.bytes_per_frame(), 0);
  open_ = true;
  if (!sink_open_) {
    sink_->begin(spec);
    sink_open_ = true;
  }
  if (fade_in_pending_) {
    ramp_.set_immediately(0.0);
  } else if (!pause_requested_) {
    ramp_.set_immediately(volume_gain_);
  }
}

uint32_t render_output::free_frames() {
  if (!open_) return 0;
  // A playing device makes room by playing; a paused one cannot.
  uint64_t room = paused_ ? capacity_ - count_ : capacity_;
  return static_cast<uint32_t>(std::min<uint64_t>(room, UINT32_MAX));
}

uint32_t render_output::write(const float* samples, uint32_t frames) {
  uint32_t ch = spec_.channels;
  uint32_t done = 0;
  // A block longer than the buffer plays its own start while the rest goes in.
  while (done < frames) {
    uint64_t n = std::min<uint64_t>(frames - done, free_frames());
    if (n == 0) break;
    if (count_ + n > capacity_) play(count_ + n - capacity_);
    if (count_ + n > capacity_) break;  // a pause fade ended while making room
    append_copy(samples + size_t{done} * ch, n);
    done += static_cast<uint32_t>(n);
  }
  return done;
}

// Copying every block into half a second of buffer evicted the decoder's own data from
// the cache, which cost more than the copy itself; kept blocks leave it alone.
uint32_t render_output::write_block(pcm_chunk& block, uint32_t first_frame) {
  uint32_t frames = block.sample_count();
  if (!open_ || first_frame >= frames) return 0;
  if (first_frame == 0 && block.channels() == spec_.channels && slot_count_ < slots_.size() &&
      frames <= free_frames()) {
    if (count_ + frames > capacity_) play(count_ + frames - capacity_);
    if (count_ + frames > capacity_) return 0;  // a pause fade ended while making room, as write()
    std::vector<float> storage = take_storage();
    block.swap_storage(storage);
    block_slot& slot = push_slot();
    slot.samples = std::move(storage);
    slot.end = frames;
    count_ += frames;
    return frames;
  }
  return write(block.data() + size_t{first_frame} * block.channels(), frames - first_frame);
}

void render_output::append_copy(const float* samples, uint64_t frames) {
  uint32_t ch = spec_.channels;
  while (frames > 0) {
    block_slot* tail = slot_count_ ? &slots_[slot_at(slot_count_ - 1)] : nullptr;
    if (!tail || tail->end >= tail->samples.size() / ch) {
      // Kept blocks' storage is reused at whatever size it has.
      std::vector<float> storage = take_storage();
      if (storage.size() < ch) storage.resize(pool_block_frames * ch);
      tail = &push_slot();
      tail->samples = std::move(storage);
    }
    uint64_t run = std::min<uint64_t>(frames, tail->samples.size() / ch - tail->end);
    std::copy_n(samples, run * ch, tail->samples.data() + size_t{tail->end} * ch);
    tail->end += static_cast<uint32_t>(run);
    count_ += run;
    samples += run * ch;
    frames -= run;
  }
}

// The slot `offset` places after the head (offset < slots); no division per block.
size_t render_output::slot_at(size_t offset) const {
  size_t i = slot_head_ + offset;
  return i >= slots_.size() ? i - slots_.size() : i;
}

render_output::block_slot& render_output::push_slot() {
  if (slot_count_ == slots_.size()) {
    // Only many tiny kept blocks followed by a copy get here.
    std::vector<block_slot> grown(slots_.size() * 2 + 1);
    for (size_t i = 0; i < slot_count_; ++i) grown[i] = std::move(slots_[slot_at(i)]);
    slots_ = std::move(grown);
    slot_head_ = 0;
  }
  block_slot& slot = slots_[slot_at(slot_count_)];
  slot.begin = slot.end = 0;
  ++slot_count_;
  return slot;
}

void render_output::release_head() {
  block_slot& slot = slots_[slot_head_];
  count_ -= slot.end - slot.begin;
  slot.begin = slot.end = 0;
  give_storage(std::move(slot.samples));
  slot.samples = {};
  slot_head_ = slot_at(1);
  --slot_count_;
}

// Empty when the pool is: the taker grows it (only while warming up).
std::vector<float> render_output::take_storage() {
  if (pool_.empty()) return {};
  std::vector<float> storage = std::move(pool_.back());
  pool_.pop_back();
  return storage;
}

void render_output::give_storage(std::vector<float>&& storage) {
  if (storage.empty()) return;
  // A full pool lets the storage go rather than grow.
  if (pool_.size() < pool_.capacity()) pool_.push_back(std::move(storage));
}

double render_output::latency_seconds() {
  return open_ ? static_cast<double>(count_) / spec_.sample_rate : 0.0;
}

void render_output::update() {
  if (!open_ || paused_) return;
  play(std::min(count_, std::max<uint64_t>(1, seconds_to_frames(update_seconds))));
}

void render_output::start_ramp(double target, double seconds, ramp_kind kind) {
  ramp_.start(target, static_cast<double>(seconds_to_frames(seconds)),
              static_cast<double>(played_));
  ramp_kind_ = kind;
  if (!ramp_.is_running() && kind == ramp_kind::pause) paused_ = true;
}

void render_output::set_volume(double volume_db) {
  volume_gain_ = db_to_linear(volume_db);
  if (pause_requested_ || fade_in_pending_ || !open_) {
    if (!open_ && !pause_requested_ && !fade_in_pending_) ramp_.set_immediately(volume_gain_);
    return;
  }
  start_ramp(volume_gain_, volume_ramp_seconds,
             ramp_.is_running() && ramp_kind_ == ramp_kind::resume ? ramp_kind::resume
                                                                   : ramp_kind::volume);
}

void render_output::pause(bool paused) {
  if (paused == pause_requested_) return;
  pause_requested_ = paused;
  double fade = fade_length_seconds(fade_kind::pause);
  if (paused) {
    if (count_ == 0) {
      paused_ = true;
      ramp_.set_immediately(0.0);
      return;
    }
    start_ramp(0.0, fade, ramp_kind::pause);
    return;
  }
  paused_ = false;
  if (fade_in_pending_) return;
  start_ramp(volume_gain_, fade, ramp_kind::resume);
}

void render_output::play(uint64_t frames) {
  uint32_t ch = spec_.channels;
  device_sample_format format{spec_.bits_per_sample, spec_.is_float};
  while (frames > 0 && count_ > 0 && !paused_) {
    if (fade_in_pending_) {
      // The fade-in after a flush starts with the first new audio that plays.
      fade_in_pending_ = false;
      ramp_.set_immediately(0.0);
      start_ramp(volume_gain_, fade_length_seconds(fade_kind::seek), ramp_kind::volume);
    }
    block_slot& head = slots_[slot_head_];
    uint64_t run = std::min<uint64_t>({frames, head.end - head.begin, scratch_frames});
    if (ramp_.is_running() && ramp_kind_ == ramp_kind::pause) {
      // Stop where the pause fade ends: what follows stays buffered for the resume.
      double left = std::ceil(ramp_.end_time() - static_cast<double>(played_));
      run = std::min<uint64_t>(run, static_cast<uint64_t>(std::max(left, 1.0)));
    }
    const float* source = head.samples.data() + size_t{head.begin} * ch;
    bool ended = false;
    // At unity gain the buffered samples go out as they are: a float stream then reaches
    // the sink without a copy.
    if (ramp_.is_running() || ramp_.gain() != 1.0) {
      std::copy_n(source, run * ch, scratch_.data());
      ended = apply_gain_ramp(scratch_.data(), ch, run, ramp_, played_);
      source = scratch_.data();
    }
    if (format.is_float) {
      sink_->write(reinterpret_cast<const uint8_t*>(source), run * spec_.bytes_per_frame());
    } else {
      convert_samples(source, run * ch, format, bytes_.data());
      sink_->write(bytes_.data(), run * spec_.bytes_per_frame());
    }
    head.begin += static_cast<uint32_t>(run);
    count_ -= run;
    if (head.begin == head.end) release_head();
    frames -= run;
    played_ += run;
    if (ended && ramp_kind_ == ramp_kind::pause) paused_ = true;
  }
}

void render_output::play_all() {
  if (paused_) {
    // Audio held by a paused device is never heard; a new format starts afresh.
    drop_all();
    return;
  }
  play(count_);
}

void render_output::fade_out_and_drop(double fade_seconds) {
  if (!paused_ && count_ > 0) {
    uint64_t fade_frames = seconds_to_frames(fade_seconds);
    if (fade_frames > 0) {
      ramp_.start(0.0, static_cast<double>(fade_frames), static_cast<double>(played_));
      ramp_kind_ = ramp_kind::end;
      play(std::min(fade_frames, count_));
    }
  }
  drop_all();
}

void render_output::drop_all() {
  while (slot_count_ > 0) release_head();
  count_ = 0;
}

void render_output::flush() {
  if (!open_) return;
  fade_out_and_drop(fade_length_seconds(fade_kind::seek));
  fade_in_pending_ = true;
  ramp_.set_immediately(0.0);
  if (pause_requested_) paused_ = true;
}

void render_output::close() {
  if (!open_) return;
  fade_out_and_drop(fade_length_seconds(fade_kind::stop));
  open_ = false;
  fade_in_pending_ = false;
  pause_requested_ = paused_ = false;
  ramp_.set_immediately(volume_gain_);
  if (sink_open_) {
    sink_open_ = false;
    sink_->end();
  }
}

}  // namespace lumo
