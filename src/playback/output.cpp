#include "playback/output.h"

#include <atomic>
#include <cstdio>
#include <mutex>

#include "config/config_vars.h"
#include "core/service_registry.h"
#include "playback/output_errors.h"

namespace lumo {
namespace {

config_guid g_output_module{
    {0x4EF867C5u, 0xBD50, 0x4E87, {0x87, 0x6B, 0x9E, 0x34, 0x70, 0x74, 0xC8, 0x0B}},
    directsound_output_guid};
config_guid g_output_device{
    {0xC9026507u, 0xB29B, 0x4A35, {0xA2, 0xB7, 0x3C, 0x16, 0xBC, 0xCB, 0x03, 0x91}}};

std::atomic<void*> g_owner_window{nullptr};

std::mutex& selection_lock() {
  static std::mutex m;
  return m;
}

}  // namespace

uint32_t output::write_block(pcm_chunk& block, uint32_t first_frame) {
  if (first_frame >= block.sample_count()) return 0;
  return write(block.data() + size_t{first_frame} * block.channels(),
               block.sample_count() - first_frame);
}

output_selection get_output_selection() {
  std::lock_guard lock(selection_lock());
  return {g_output_module.get(), g_output_device.get()};
}

void set_output_selection(const output_selection& selection) {
  std::lock_guard lock(selection_lock());
  g_output_module.set(selection.module);
  g_output_device.set(selection.device);
}

std::vector<service_ptr<output_entry>> list_output_entries() {
  std::vector<service_ptr<output_entry>> entries;
  const service_registry& reg = services();
  if (reg.is_ready()) {
    for (service_ptr<output_entry> e : enumerate_services<output_entry>()) entries.push_back(e);
    return entries;
  }
  // Before start-up has built the registry (tools, tests), the static list serves.
  for (const service_factory_base* f = static_factory_list(); f; f = f->next()) {
    if (!(f->class_guid() == output_entry::class_guid)) continue;
    service_ptr<service_base> s = f->create();
    entries.push_back(service_ptr<output_entry>::adopt(static_cast<output_entry*>(s.detach())));
  }
  return entries;
}

service_ptr<output_entry> find_output_entry(const guid& module) {
  for (auto& e : list_output_entries())
    if (e->get_guid() == module) return e;
  throw exception_output_module_not_found();
}

std::unique_ptr<output> create_configured_output() {
  output_selection sel = get_output_selection();
  return find_output_entry(sel.module)->create(sel.device);
}

void set_output_owner_window(void* native_window) {
  g_owner_window.store(native_window);
}
void* output_owner_window() {
  return g_owner_window.load();
}

std::string guid_to_text(const guid& id) {
  char text[40];
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned>(id.data1), id.data2, id.data3, id.data4[0], id.data4[1],
                id.data4[2], id.data4[3], id.data4[4], id.data4[5], id.data4[6], id.data4[7]);
  return text;
}

bool parse_guid(std::string_view text, guid& out) {
  if (text.size() == 38 && text.front() == '{' && text.back() == '}') text = text.substr(1, 36);
  if (text.size() != 36) return false;
  auto hex = [&](size_t pos, size_t digits, uint64_t& value) {
    value = 0;
    for (size_t i = 0; i < digits; ++i) {
      char c = text[pos + i];
      int d = c >= '0' && c <= '9'   ? c - '0'
              : c >= 'a' && c <= 'f' ? c - 'a' + 10
              : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                     : -1;
      if (d < 0) return false;
      value = value * 16 + static_cast<uint64_t>(d);
    }
    return true;
  };
  if (text[8] != '-' || text[13] != '-' || text[18] != '-' || text[23] != '-') return false;
  uint64_t v = 0;
  guid g{};
  if (!hex(0, 8, v)) return false;
  g.data1 = static_cast<uint32_t>(v);
  if (!hex(9, 4, v)) return false;
  g.data2 = static_cast<uint16_t>(v);
  if (!hex(14, 4, v)) return false;
  g.data3 = static_cast<uint16_t>(v);
  const size_t pos[8] = {19, 21, 24, 26, 28, 30, 32, 34};
  for (int i = 0; i < 8; ++i) {
    if (!hex(pos[i], 2, v)) return false;
    g.data4[i] = static_cast<uint8_t>(v);
  }
  out = g;
  return true;
}

}  // namespace lumo
