// The portable outputs as services: the null output (a memory ring played by the real
// clock on the shared worker, so it paces the engine like a sound card) and the render
// output (no clock: as fast as it is fed, played audio dropped).
#include "core/service_registry.h"
#include "playback/memory_ring_device.h"
#include "playback/render_output.h"
#include "playback/ring_output.h"
#include "playback/ring_stream.h"

namespace lumo {
namespace {

class null_output_entry : public output_entry {
 public:
  const guid& get_guid() const override { return null_output_guid; }
  const char* get_name() const override { return "Null output"; }
  std::vector<output_device_info> list_devices() const override {
    return {{"Null output (real-time, silent)", guid{}}};
  }
  std::unique_ptr<output> create(const guid&) const override {
    return std::make_unique<ring_output>([](const output_spec& spec) {
      return std::make_unique<memory_ring_device>(spec, ring_stream::ring_size_bytes(spec),
                                                  system_ring_platform());
    });
  }
};

class render_output_entry : public output_entry {
 public:
  const guid& get_guid() const override { return render_output_guid; }
  const char* get_name() const override { return "Render output"; }
  std::vector<output_device_info> list_devices() const override {
    return {{"Render output (as fast as fed, silent)", guid{}}};
  }
  std::unique_ptr<output> create(const guid&) const override {
    return std::make_unique<render_output>(std::make_unique<null_render_sink>());
  }
};

LUMO_REGISTER_SINGLETON_SERVICE(null_output_entry);
LUMO_REGISTER_SINGLETON_SERVICE(render_output_entry);

}  // namespace
}  // namespace lumo
