#pragma once
// The output instance over ring-buffer streams serviced by the shared worker: the
// DirectSound output and the null output are this class with their own device.

#include <functional>
#include <memory>

#include "playback/output.h"
#include "playback/ring_device.h"

namespace lumo {

class ring_stream;

class ring_output final : public output {
 public:
  // Makes a device buffer of ring_stream::ring_size_bytes(spec) for a validated spec.
  using device_factory = std::function<std::unique_ptr<ring_device>(const output_spec&)>;

  ring_output(device_factory factory, ring_platform& platform = system_ring_platform());
  ~ring_output() override;

  void set_format(const output_spec& spec) override;
  uint32_t write(const float* samples, uint32_t frames) override;
  uint32_t free_frames() override;
  double latency_seconds() override;
  void update() override;
  void set_volume(double volume_db) override;
  void pause(bool paused) override;
  void flush() override;
  void close() override;
  bool has_format() const override { return stream_ != nullptr; }
  const output_spec& format() const override { return spec_; }

 private:
  void open_stream(double fade_in_seconds);

  device_factory factory_;
  ring_platform& platform_;
  // Playback thread only; the stream itself is guarded by the global stream lock.
  std::shared_ptr<ring_stream> stream_;
  output_spec spec_;
  double volume_db_ = 0.0;
  bool paused_ = false;
  bool fade_in_pending_ = false;
};

}  // namespace lumo
