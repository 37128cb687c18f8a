#pragma once
// The config.dat format, as bytes:
//
//   magic (16)  integrity value (16)  payload length N (u32 LE)  payload (N)
//
// The magic is {B2223DD1-15C4-46F5-8031-96E692BC1E20} in GUID memory layout. The
// integrity value is MD5 over a fixed 16-byte prefix followed by the payload. The
// payload is one record per variable in write-list order: GUID (16), length L (u32 LE),
// L bytes. Bytes after the payload are ignored.

#include <cstdint>
#include <span>
#include <vector>

#include "core/abort.h"
#include "core/md5.h"
#include "fs/stream.h"

namespace lumo {

inline constexpr size_t config_header_size_bytes = 36;
// Anything shorter cannot be a config.dat; checked before the header is read.
inline constexpr uint64_t config_min_file_size_bytes = 21;

md5_digest config_integrity_value(std::span<const uint8_t> payload);

// Every variable of the write list as one record each.
std::vector<uint8_t> build_config_payload(const abort_signal& abort);

// A payload of at most 4 bytes, all zero: nothing worth a file (the store deletes
// config.dat instead of writing one).
bool is_trivial_config_payload(std::span<const uint8_t> payload);

// Header, integrity value, length and payload.
std::vector<uint8_t> encode_config_file(std::span<const uint8_t> payload,
                                        const md5_digest& integrity);

struct config_file_content {
  md5_digest integrity{};
  std::vector<uint8_t> payload;
};

// Reads and checks a whole config.dat of size_bytes (filesize_unknown when the source
// cannot tell) from in. Raises exception_io_data for a short file, a wrong magic or a
// length past the end, and exception_io_data "Corrupted configuration file" when the
// integrity value does not match.
config_file_content read_config_file(stream_reader& in, uint64_t size_bytes,
                                     const abort_signal& abort);

// Hands each record to the first variable of the read list with its GUID; records of
// unknown GUIDs are skipped, and so is whatever a variable leaves unread of its record.
// A variable reading past its record raises exception_io_data_truncation; the variables
// read before keep their new values.
void apply_config_payload(std::span<const uint8_t> payload, const abort_signal& abort);

}  // namespace lumo
