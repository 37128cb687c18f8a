// The shared worker thread with real streams on the real clock (the null output):
// streams play out, fade and finish on the worker, and the worker ends with the last one.
// Also run under ThreadSanitizer (preset native-tsan).
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <thread>
#include <vector>

#include "config/advanced_entries.h"
#include "playback/output.h"
#include "playback/stream_worker.h"

namespace lumo {
namespace {

bool wait_until(const std::function<bool()>& done, double seconds = 5.0) {
  auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

output_spec stereo_float() {
  output_spec s;
  s.sample_rate = 48000;
  s.channels = 2;
  s.channel_mask = 0x3;
  s.bits_per_sample = 32;
  s.is_float = true;
  s.buffer_seconds = 0.2;
  return s;
}

// Writes seconds of a sine, waiting for room like the playback thread does.
void feed(output& out, double seconds) {
  std::vector<float> block(2 * 480);
  uint64_t frame = 0, total = static_cast<uint64_t>(seconds * 48000);
  while (frame < total) {
    for (size_t i = 0; i < 480; ++i)
      block[2 * i] = block[2 * i + 1] = 0.5f * std::sin(static_cast<float>(frame + i) * 0.13f);
    uint32_t taken = 0;
    while (taken < 480) {
      out.update();
      uint32_t n = out.write(block.data() + 2 * taken, 480 - taken);
      taken += n;
      if (n == 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    frame += 480;
  }
}

TEST(OutputWorker, NullOutputPlaysInRealTimeAndTheWorkerEndsWithTheLastStream) {
  auto out = find_output_entry(null_output_guid)->create(guid{});
  out->set_format(stereo_float());
  EXPECT_TRUE(is_output_worker_running());
  auto start = std::chrono::steady_clock::now();
  feed(*out, 0.5);
  EXPECT_GT(out->latency_seconds(), 0.05);
  ASSERT_TRUE(wait_until([&] { return out->latency_seconds() == 0.0; }));
  double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_GT(elapsed, 0.45);  // paced by the clock, not by the writer
  out->close();
  EXPECT_TRUE(wait_until([] { return !is_output_worker_running(); }));
  EXPECT_EQ(output_stream_count(), 0u);
}

TEST(OutputWorker, CommandsFromThePlaybackThreadMeetTheWorkerSafely) {
  advanced::fade_on_pause_ms.set_value(30);
  advanced::fade_on_seek_ms.set_value(30);
  auto out = find_output_entry(null_output_guid)->create(guid{});
  out->set_format(stereo_float());
  feed(*out, 0.2);
  out->set_volume(-6.0);
  out->pause(true);
  std::this_thread::sleep_for(std::chrono::milliseconds(60));
  double held = out->latency_seconds();
  std::this_thread::sleep_for(std::chrono::milliseconds(60));
  EXPECT_EQ(out->latency_seconds(), held);  // paused: nothing plays
  out->pause(false);
  feed(*out, 0.1);
  out->flush();  // the old stream fades out on the worker while the new one opens
  EXPECT_EQ(output_stream_count(), 2u);
  feed(*out, 0.1);
  output_spec mono = stereo_float();
  mono.channels = 1;
  mono.channel_mask = 0x4;
  out->set_format(mono);  // the old stream plays out, then ends
  out.reset();            // closing with a fade: finishes on the worker
  EXPECT_TRUE(wait_until([] { return output_stream_count() == 0; }));
  EXPECT_TRUE(wait_until([] { return !is_output_worker_running(); }));
  advanced::fade_on_pause_ms.reset();
  advanced::fade_on_seek_ms.reset();
}

TEST(OutputWorker, ShutdownStopsAWorkerThatStillPlays) {
  auto out = find_output_entry(null_output_guid)->create(guid{});
  out->set_format(stereo_float());
  feed(*out, 0.1);
  shutdown_output_worker();
  EXPECT_FALSE(is_output_worker_running());
  EXPECT_EQ(output_stream_count(), 0u);
  out.reset();
  // A new stream starts a new worker.
  out = find_output_entry(null_output_guid)->create(guid{});
  out->set_format(stereo_float());
  EXPECT_TRUE(is_output_worker_running());
  out->close();
  EXPECT_TRUE(wait_until([] { return !is_output_worker_running(); }));
}

}  // namespace
}  // namespace lumo
