#include "config/config_file.h"

#include <algorithm>
#include <map>

#include "config/byte_stream.h"
#include "config/config_var.h"
#include "core/byte_cursor.h"
#include "core/exceptions.h"
#include "core/guid.h"
#include "fs/byte_source.h"

namespace lumo {

namespace {

constexpr guid config_magic{
    0xB2223DD1u, 0x15C4, 0x46F5, {0x80, 0x31, 0x96, 0xE6, 0x92, 0xBC, 0x1E, 0x20}};

// Hashed ahead of the payload; it ties the integrity value to this file kind.
constexpr uint8_t integrity_prefix[16] = {0x3a, 0x91, 0x5c, 0x07, 0xe2, 0x48, 0xb6, 0x1d,
                                          0x70, 0xc9, 0x24, 0xee, 0x85, 0x0f, 0x6b, 0xd3};

constexpr size_t record_header_size_bytes = sizeof(guid) + 4;

struct guid_order {
  bool operator()(const guid& a, const guid& b) const { return guid_less(a, b); }
};

}  // namespace

md5_digest config_integrity_value(std::span<const uint8_t> payload) {
  md5_hasher hasher;
  hasher.update(integrity_prefix);
  hasher.update(payload);
  return hasher.finish();
}

std::vector<uint8_t> build_config_payload(const abort_signal& abort) {
  std::vector<uint8_t> payload;
  vector_writer scratch;
  for (const config_var* var = config_write_list(); var; var = var->next_write()) {
    scratch.clear();
    var->write_value(scratch, abort);
    const std::vector<uint8_t>& bytes = scratch.bytes();
    if (bytes.size() > UINT32_MAX) throw kel::exception_overflow();
    put_guid_le(payload, var->id());
    put_le(payload, bytes.size(), 4);
    payload.insert(payload.end(), bytes.begin(), bytes.end());
  }
  if (payload.size() > UINT32_MAX) throw kel::exception_overflow();
  return payload;
}

bool is_trivial_config_payload(std::span<const uint8_t> payload) {
  constexpr size_t trivial_payload_bytes = 4;
  return payload.size() <= trivial_payload_bytes &&
         std::all_of(payload.begin(), payload.end(), [](uint8_t b) { return b == 0; });
}

std::vector<uint8_t> encode_config_file(std::span<const uint8_t> payload,
                                        const md5_digest& integrity) {
  std::vector<uint8_t> out;
  out.reserve(config_header_size_bytes + payload.size());
  put_guid_le(out, config_magic);
  out.insert(out.end(), integrity.begin(), integrity.end());
  put_le(out, payload.size(), 4);
  out.insert(out.end(), payload.begin(), payload.end());
  return out;
}

config_file_content read_config_file(stream_reader& in, uint64_t size_bytes,
                                     const abort_signal& abort) {
  if (size_bytes == ~uint64_t{0} || size_bytes < config_min_file_size_bytes)
    throw_data_error("configuration file", 0, "shorter than its header");

  uint8_t header_bytes[config_header_size_bytes];
  in.read_exact(header_bytes, sizeof(guid), abort);
  byte_cursor header(header_bytes, "configuration file");
  if (header.guid_le() != config_magic)
    throw_data_error("configuration file", 0, "not a configuration file");
  in.read_exact(header_bytes + sizeof(guid), config_header_size_bytes - sizeof(guid), abort);

  config_file_content content;
  header.copy_to(content.integrity.data(), content.integrity.size());
  uint32_t payload_size = header.u32le();
  // Checked against the real size before allocating: the length field is hostile.
  if (payload_size > size_bytes - config_header_size_bytes)
    throw_data_error("configuration file", 32, "payload length past the end of the file");

  content.payload.resize(payload_size);
  in.read_exact(content.payload.data(), payload_size, abort);
  if (config_integrity_value(content.payload) != content.integrity)
    throw sonatrix_io::exception_io_data("Corrupted configuration file");
  return content;
}

void apply_config_payload(std::span<const uint8_t> payload, const abort_signal& abort) {
  // The read list is newest first and try_emplace keeps the first entry, so the
  // variable nearest the head wins when two share a GUID.
  std::map<guid, config_var*, guid_order> vars;
  for (config_var* var = config_read_list(); var; var = var->next_read())
    vars.try_emplace(var->id(), var);

  byte_cursor in(payload, "configuration record", config_header_size_bytes);
  while (in.remaining() >= sizeof(guid)) {
    abort.check();
    byte_cursor header = in.sub(record_header_size_bytes);
    guid id = header.guid_le();
    // A length past the payload's end is cut there: the variable then finds its record
    // shorter than it needs and fails, while an unknown record simply ends the payload.
    size_t record_size = std::min<size_t>(header.u32le(), in.remaining());
    std::span<const uint8_t> record = in.bytes(record_size);
    if (auto it = vars.find(id); it != vars.end()) {
      memory_byte_source record_reader(record);
      it->second->read_value(record_reader, record.size(), abort);
    }
  }
}

}  // namespace lumo
