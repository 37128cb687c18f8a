#pragma once
// The output as the playback engine sees it, and the output implementations as
// services. The engine holds one `output` (made by an output_entry for the configured
// module and device) and calls it from the playback thread only.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/guid.h"
#include "core/service.h"
#include "input/pcm_chunk.h"
#include "playback/output_spec.h"

namespace lumo {

class output {
 public:
  virtual ~output() = default;
  // Closes the current stream (it plays out what it holds, unfaded) and opens one for
  // spec. After a flush the new stream fades in over the seek fade; while paused it
  // starts paused. Raises exception_audio_invalid_spec and device errors.
  virtual void set_format(const output_spec& spec) = 0;
  // Queues up to frames frames of interleaved float samples of the current format;
  // returns how many it took (fewer when the queue is full; 0 without a stream).
  virtual uint32_t write(const float* samples, uint32_t frames) = 0;
  // Queues the block's frames from first_frame on (the block in the current format);
  // returns how many it took, like write(). An output that keeps blocks may take the
  // block's storage instead of copying it: the block is then left empty, holding storage
  // to decode the next block into, so read what you need of it before the call. The
  // default copies through write().
  virtual uint32_t write_block(pcm_chunk& block, uint32_t first_frame);
  // Frames the queue can take now.
  virtual uint32_t free_frames() = 0;
  // Audio handed over but not heard yet, in seconds (0 without a stream).
  virtual double latency_seconds() = 0;
  // Raises a failure the running stream ran into (a lost device: "Audio device not
  // found"); render outputs also play out what is due.
  virtual void update() = 0;
  // Ramps to the volume (dB; 0 = full) over 0.05 s.
  virtual void set_volume(double volume_db) = 0;
  // Fades out and stops, or restarts and fades in, over the pause fade.
  virtual void pause(bool paused) = 0;
  // Fades the audio out over the seek fade and drops it; the next audio fades in.
  virtual void flush() = 0;
  // Fades out over the stop fade; the stream finishes on its own.
  virtual void close() = 0;
  // The current format, when a stream is open.
  virtual bool has_format() const = 0;
  virtual const output_spec& format() const = 0;
  // False for an output that plays only as update() is called (a render): waiting on it
  // would pass no audio, so the engine drains it without sleeping.
  virtual bool has_clock() const { return true; }
};

struct output_device_info {
  std::string name;  // UTF-8
  guid id{};
};

// An output implementation, registered as a service and chosen by its GUID.
class output_entry : public service_base {
 public:
  static constexpr guid class_guid{
      0x2B1C3F0Eu, 0x77A4, 0x4E0B, {0x9C, 0x52, 0x61, 0x0D, 0xE8, 0x14, 0xA3, 0x6F}};
  using parent_class = service_base;
  using service_class = output_entry;

  virtual const guid& get_guid() const = 0;
  virtual const char* get_name() const = 0;
  virtual std::vector<output_device_info> list_devices() const = 0;
  // A new output instance playing on device (all zeros: the default one).
  virtual std::unique_ptr<output> create(const guid& device) const = 0;

 protected:
  ~output_entry() = default;
};

inline constexpr guid directsound_output_guid{
    0xD41D2423u, 0xFBB0, 0x4635, {0xB2, 0x33, 0x70, 0x54, 0xF7, 0x98, 0x14, 0xAB}};
inline constexpr guid null_output_guid{
    0x6E0A2B43u, 0x5C1D, 0x4F8E, {0x93, 0x27, 0x0B, 0xD1, 0x4A, 0x66, 0x2C, 0x15}};
inline constexpr guid render_output_guid{
    0x9A7D5C21u, 0x3E64, 0x4B19, {0xA8, 0x0F, 0x52, 0xC3, 0x7E, 0x91, 0x0D, 0x4B}};

// The output module and device variables, read together under their lock.
struct output_selection {
  guid module;
  guid device;
};
output_selection get_output_selection();
void set_output_selection(const output_selection& selection);

// The output_entry registered under module; exception_output_module_not_found when none.
service_ptr<output_entry> find_output_entry(const guid& module);
// Every registered output implementation.
std::vector<service_ptr<output_entry>> list_output_entries();
// An instance of the configured output module on the configured device.
std::unique_ptr<output> create_configured_output();

// The window devices are opened for (the main window's HWND on Windows; null: the
// desktop window). Set by the user interface; any thread may read it.
void set_output_owner_window(void* native_window);
void* output_owner_window();

// Text form "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (upper case) and back.
std::string guid_to_text(const guid& id);
bool parse_guid(std::string_view text, guid& out);

}  // namespace lumo
