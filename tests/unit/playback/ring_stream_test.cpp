// The ring servicing algorithm against a memory ring whose play cursor follows a clock
// the test moves by hand.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "playback/memory_ring_device.h"
#include "playback/ring_device.h"
#include "playback/ring_stream.h"

namespace lumo {
namespace {

class manual_platform final : public ring_platform {
 public:
  double now_seconds() override { return now; }
  uint32_t begin_timer_period() override {
    ++held;
    return 5;
  }
  void end_timer_period(uint32_t) override { --held; }
  double now = 100.0;
  int held = 0;
};

// 1000 Hz mono 16-bit, 0.5 s buffer: target fill 1000 bytes, ring 1400, minimum lead
// 100, silence guard 134, staging 500.
output_spec test_spec() {
  output_spec s;
  s.sample_rate = 1000;
  s.channels = 1;
  s.channel_mask = 0x4;
  s.bits_per_sample = 16;
  s.buffer_seconds = 0.5;
  return s;
}

struct ring_fixture {
  manual_platform platform;
  std::vector<int16_t> heard;    // what the cursor passed, in order
  std::vector<int32_t> volumes;  // the volume each heard sample played at
  memory_ring_device* device = nullptr;
  std::unique_ptr<ring_stream> stream;
  int16_t next_value = 1;

  explicit ring_fixture(double gain = 1.0, double fade_in = 0.0, bool paused = false) {
    output_spec spec = test_spec();
    auto dev = std::make_unique<memory_ring_device>(
        spec, ring_stream::ring_size_bytes(spec), platform,
        [this](const uint8_t* bytes, uint32_t count, int32_t volume) {
          for (uint32_t i = 0; i + 1 < count; i += 2) {
            int16_t v;
            std::memcpy(&v, bytes + i, 2);
            heard.push_back(v);
            volumes.push_back(volume);
          }
        });
    device = dev.get();
    stream = std::make_unique<ring_stream>(spec, std::move(dev), platform, gain, fade_in, paused);
  }

  // Queues up to frames counting samples (1, 2, 3...); returns how many were taken.
  uint32_t feed(uint32_t frames) {
    std::vector<float> block(frames);
    for (uint32_t i = 0; i < frames; ++i) block[i] = static_cast<float>(next_value + i) / 32768.0f;
    uint32_t n = stream->write(block.data(), frames);
    next_value = static_cast<int16_t>(next_value + n);
    return n;
  }
  // Runs passes every 10 ms for seconds, keeping the staging queue full when feeding.
  void run(double seconds, bool feeding) {
    for (int i = 0; i < static_cast<int>(seconds * 100 + 0.5); ++i) {
      if (feeding) feed(stream->free_frames());
      platform.now += 0.01;
      ASSERT_TRUE(stream->service());
    }
  }
};

// The heard samples without silence must count 1, 2, 3... with nothing lost or repeated.
void expect_continuous(const std::vector<int16_t>& heard, int16_t last) {
  int16_t expect = 1;
  for (size_t i = 0; i < heard.size(); ++i) {
    int16_t v = heard[i];
    if (v == 0) continue;
    ASSERT_EQ(v, expect) << "at " << i << " of " << heard.size();
    ++expect;
  }
  EXPECT_EQ(expect - 1, last);
}

TEST(RingStream, ThresholdsFollowTheBufferLength) {
  ring_fixture f;
  EXPECT_EQ(ring_stream::ring_size_bytes(test_spec()), 1400u);
  EXPECT_EQ(f.stream->target_fill_bytes(), 1000u);
  EXPECT_EQ(f.stream->min_lead_bytes(), 100u);
  EXPECT_EQ(f.stream->silence_guard_bytes(), 134u);
  EXPECT_EQ(f.stream->free_frames(), 250u);
  EXPECT_TRUE(f.stream->is_idle());
}

TEST(RingStream, PlaysEverythingInOrderAcrossManyWrapsThenGoesIdle) {
  ring_fixture f;
  EXPECT_EQ(f.feed(300), 250u);  // staging holds 0.25 s
  EXPECT_EQ(f.feed(10), 0u);
  ASSERT_TRUE(f.stream->service());
  // The first pass only fills the ring; looping starts with the next one.
  EXPECT_FALSE(f.device->is_playing());
  EXPECT_FALSE(f.stream->is_idle());
  EXPECT_EQ(f.stream->write_position(), 500u);
  EXPECT_EQ(f.platform.held, 0);
  f.run(3.0, true);  // about four laps of the 1400-byte ring
  EXPECT_TRUE(f.device->is_playing());
  EXPECT_EQ(f.platform.held, 1);
  EXPECT_GT(f.heard.size(), 2900u);
  EXPECT_GT(f.stream->latency_seconds(), 0.4);
  EXPECT_NEAR(f.stream->seconds_played(), 2.99, 0.02);
  // The feed stops: the buffered audio plays out, then the stream stops and rewinds.
  f.run(1.0, false);
  EXPECT_TRUE(f.stream->is_idle());
  EXPECT_FALSE(f.device->is_playing());
  EXPECT_EQ(f.platform.held, 0);
  EXPECT_EQ(f.stream->write_position(), 0u);
  expect_continuous(f.heard, static_cast<int16_t>(f.next_value - 1));
  // Nothing but the audio was heard before the dry point: no silence in the middle.
  size_t first_silence = 0;
  while (first_silence < f.heard.size() && f.heard[first_silence] != 0) ++first_silence;
  EXPECT_EQ(f.heard[first_silence - 1], f.next_value - 1);

  // Idle, then fed again: starts again from the start of the ring.
  size_t before = f.heard.size();
  f.feed(100);
  f.run(0.5, false);
  EXPECT_TRUE(f.stream->is_idle());
  std::vector<int16_t> again(f.heard.begin() + static_cast<long>(before), f.heard.end());
  int16_t nonzero = 0;
  for (int16_t v : again) nonzero += v != 0;
  EXPECT_EQ(nonzero, 100);
  expect_continuous(f.heard, static_cast<int16_t>(f.next_value - 1));
}

TEST(RingStream, OvertakenCursorRestoresTheLeadAndPlaysSilenceNotOldAudio) {
  ring_fixture f;
  f.feed(250);
  f.run(2.0, true);  // the ring has wrapped: it holds old audio behind the cursor
  ASSERT_EQ(f.stream->buffered_bytes(), 1000);
  // The feeder stalls: a late pass finds the cursor 40 bytes past the write position
  // (500 frames buffered, 520 played).
  uint32_t write_pos = f.stream->write_position();
  f.feed(f.stream->free_frames());
  uint32_t queued = f.stream->queued_bytes();
  ASSERT_EQ(queued, 500u);
  f.platform.now += 0.52;
  size_t heard_before = f.heard.size();
  ASSERT_TRUE(f.stream->service());
  // Negative fill: the write position moves to cursor + minimum lead, and the room
  // (the whole target fill) shrinks by that skip: 1000 - 140 = 860 of the 500 queued.
  EXPECT_EQ(f.stream->write_position(), (write_pos + 40 + 100 + 500) % 1400);
  EXPECT_EQ(f.stream->buffered_bytes(), 100 + 500);
  EXPECT_EQ(f.stream->queued_bytes(), 0u);
  // What played past the old write position was the silence guard, not a ring-old lap.
  std::vector<int16_t> stall(f.heard.begin() + static_cast<long>(heard_before) + 500,
                             f.heard.end());
  ASSERT_EQ(stall.size(), 20u);
  for (int16_t v : stall) EXPECT_EQ(v, 0);
  f.run(1.0, false);
  expect_continuous(f.heard, static_cast<int16_t>(f.next_value - 1));
}

TEST(RingStream, LostBufferIsRestoredAndPlayContinues) {
  ring_fixture f;
  f.feed(250);
  f.run(0.3, true);
  f.device->lose();
  f.run(0.3, true);
  EXPECT_TRUE(f.device->is_playing());
  f.stream->check_error();
  f.run(1.0, false);
  expect_continuous(f.heard, static_cast<int16_t>(f.next_value - 1));
}

TEST(RingStream, VolumeRampsThroughTheBufferVolumeControl) {
  ring_fixture f;
  f.feed(250);
  f.run(0.2, true);
  EXPECT_EQ(f.device->volume(), 0);
  f.stream->set_gain(0.5, 0.05);
  f.platform.now += 0.025;
  f.feed(f.stream->free_frames());
  f.stream->service();
  EXPECT_EQ(f.device->volume(), linear_to_hundredths_db(0.75));
  f.platform.now += 0.025;
  f.stream->service();
  EXPECT_EQ(f.device->volume(), -602);
  // A zero-length ramp is an immediate change.
  f.stream->set_gain(1.0, 0.0);
  f.stream->service();
  EXPECT_EQ(f.device->volume(), 0);
}

TEST(RingStream, PauseFadesOutStopsAndResumeFadesBackIn) {
  ring_fixture f;
  f.feed(250);
  f.run(0.3, true);
  f.stream->set_paused(true, 0.1);
  f.run(0.05, true);
  EXPECT_TRUE(f.device->is_playing());
  EXPECT_LT(f.device->volume(), -300);  // half way down: gain about 0.5
  EXPECT_GT(f.device->volume(), -1000);
  f.run(0.06, true);
  EXPECT_TRUE(f.stream->is_paused());
  EXPECT_FALSE(f.device->is_playing());
  EXPECT_EQ(f.platform.held, 0);
  size_t heard = f.heard.size();
  f.run(0.5, true);  // paused: nothing plays, nothing is lost
  EXPECT_EQ(f.heard.size(), heard);
  f.stream->set_paused(false, 0.1);
  f.run(0.01, true);
  EXPECT_TRUE(f.device->is_playing());
  EXPECT_EQ(f.platform.held, 1);
  EXPECT_LT(f.device->volume(), -1000);
  f.run(0.1, true);
  EXPECT_EQ(f.device->volume(), 0);
  f.run(1.0, false);
  expect_continuous(f.heard, static_cast<int16_t>(f.next_value - 1));
}

TEST(RingStream, ZeroPauseFadeStopsAtTheNextPass) {
  ring_fixture f;
  f.feed(250);
  f.run(0.3, true);
  f.stream->set_paused(true, 0.0);
  EXPECT_TRUE(f.stream->is_paused());
  f.platform.now += 0.01;
  f.stream->service();
  EXPECT_FALSE(f.device->is_playing());
}

TEST(RingStream, CloseFadesOutThenEnds) {
  ring_fixture f;
  f.feed(250);
  f.run(0.3, true);
  f.stream->fade_out_and_end(0.1);
  EXPECT_EQ(f.stream->free_frames(), 0u);
  f.run(0.09, false);
  EXPECT_FALSE(f.stream->has_ended());
  f.platform.now += 0.02;
  EXPECT_FALSE(f.stream->service());
  EXPECT_FALSE(f.device->is_playing());
  EXPECT_EQ(f.platform.held, 0);
  // The volume fell steadily while the last audio played.
  EXPECT_LT(f.volumes.back(), -1000);
}

TEST(RingStream, FlushedStreamFadesInWhenItStartsAndPausedStreamWaits) {
  ring_fixture f(1.0, 0.1);
  f.feed(250);
  f.run(0.02, true);
  EXPECT_TRUE(f.device->is_playing());
  EXPECT_LT(f.device->volume(), -1000);
  f.run(0.1, true);
  EXPECT_EQ(f.device->volume(), 0);

  ring_fixture p(1.0, 0.0, true);
  p.feed(250);
  p.run(0.3, true);
  EXPECT_FALSE(p.device->is_playing());
  EXPECT_TRUE(p.heard.empty());
  p.stream->set_paused(false, 0.0);
  p.run(0.02, true);
  EXPECT_TRUE(p.device->is_playing());
}

TEST(RingStream, EndWhenPlayedPlaysOutWithoutFade) {
  ring_fixture f;
  f.feed(250);
  f.run(0.3, true);
  f.stream->end_when_played();
  int passes = 0;
  while (f.stream->service() && passes < 200) {
    f.platform.now += 0.01;
    ++passes;
  }
  EXPECT_TRUE(f.stream->has_ended());
  for (int32_t v : f.volumes) EXPECT_EQ(v, 0);
  expect_continuous(f.heard, static_cast<int16_t>(f.next_value - 1));
}

// A device may still hold what its cursor passed: when the audio runs out, 0.2 s of
// silence plays before the stream stops, counted as no latency; closing the stream
// then lets that silence play out unfaded.
TEST(RingStream, DrainedStreamPlaysASilentTailBeforeItStops) {
  ring_fixture f;
  f.feed(250);
  f.run(0.3, true);
  // Run dry: the last sample is heard, then silence while the device keeps playing.
  int passes = 0;
  while (f.stream->latency_seconds() > 0 && passes++ < 200) f.run(0.01, false);
  size_t dry = f.heard.size();
  f.run(0.15, false);
  EXPECT_TRUE(f.device->is_playing());
  EXPECT_FALSE(f.stream->is_idle());
  EXPECT_EQ(f.stream->latency_seconds(), 0.0);
  EXPECT_GE(f.heard.size() - dry, 140u);
  for (size_t i = dry + 20; i < f.heard.size(); ++i) ASSERT_EQ(f.heard[i], 0) << i;
  f.stream->fade_out_and_end(0.1);
  passes = 0;
  while (f.stream->service() && passes++ < 100) f.platform.now += 0.01;
  EXPECT_TRUE(f.stream->has_ended());
  EXPECT_GE(f.heard.size() - dry, 190u);
  expect_continuous(f.heard, static_cast<int16_t>(f.next_value - 1));

  // New audio during the tail follows it; the stream plays on.
  ring_fixture g;
  g.feed(250);
  g.run(0.3, true);
  passes = 0;
  while (g.stream->latency_seconds() > 0 && passes++ < 200) g.run(0.01, false);
  g.run(0.05, false);
  g.feed(100);
  EXPECT_GT(g.stream->latency_seconds(), 0.0);
  g.run(0.5, false);
  expect_continuous(g.heard, static_cast<int16_t>(g.next_value - 1));
}

TEST(RingStream, TimerPeriodNegotiation) {
  std::vector<uint32_t> asked;
  auto refuse_below = [&](uint32_t min) {
    return [&asked, min](uint32_t p) {
      asked.push_back(p);
      return p >= min;
    };
  };
  EXPECT_EQ(negotiate_timer_period(1, refuse_below(3)), 3u);
  EXPECT_EQ(asked, (std::vector<uint32_t>{1, 2, 3}));
  asked.clear();
  EXPECT_EQ(negotiate_timer_period(25, refuse_below(1)), 10u);  // never above 10 ms
  asked.clear();
  EXPECT_EQ(negotiate_timer_period(8, refuse_below(99)), 0u);
  EXPECT_EQ(asked, (std::vector<uint32_t>{8, 9, 10}));
}

}  // namespace
}  // namespace lumo
