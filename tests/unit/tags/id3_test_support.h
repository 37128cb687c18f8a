#pragma once
// Byte-by-byte ID3v2 tags for the tag tests.

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "meta/track_info_mutable.h"

namespace lumo::test {

using byte_vector = std::vector<uint8_t>;

inline byte_vector to_bytes(std::string_view s) {
  return byte_vector(s.begin(), s.end());
}

inline void put_synchsafe(byte_vector& out, uint32_t v) {
  for (int shift = 21; shift >= 0; shift -= 7)
    out.push_back(static_cast<uint8_t>((v >> shift) & 0x7F));
}
inline void put_u32be(byte_vector& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

// One frame of the given version (2: three-letter id and 24-bit size).
inline byte_vector frame(int version, std::string_view id, std::string_view payload,
                         uint16_t flags = 0) {
  byte_vector out = to_bytes(id);
  const auto size = static_cast<uint32_t>(payload.size());
  if (version == 2) {
    out.push_back(static_cast<uint8_t>(size >> 16));
    out.push_back(static_cast<uint8_t>(size >> 8));
    out.push_back(static_cast<uint8_t>(size));
  } else if (version == 3) {
    put_u32be(out, size);
  } else {
    put_synchsafe(out, size);
  }
  if (version != 2) {
    out.push_back(static_cast<uint8_t>(flags >> 8));
    out.push_back(static_cast<uint8_t>(flags));
  }
  out.insert(out.end(), payload.begin(), payload.end());
  return out;
}

// A text frame in ISO-8859-1 (or the encoding byte given first in payload when raw).
inline byte_vector text_frame(int version, std::string_view id, std::string_view text) {
  return frame(version, id, std::string(1, '\0') + std::string(text));
}

// A whole tag around the frames, with padding bytes after them.
inline byte_vector tag(int version, const std::vector<byte_vector>& frames, uint8_t flags = 0,
                       size_t padding = 0) {
  byte_vector body;
  for (const auto& f : frames) body.insert(body.end(), f.begin(), f.end());
  body.resize(body.size() + padding, 0);
  byte_vector out = to_bytes("ID3");
  out.push_back(static_cast<uint8_t>(version));
  out.push_back(0);
  out.push_back(flags);
  put_synchsafe(out, static_cast<uint32_t>(body.size()));
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

// The meta fields as "name=value" lines (values of one name joined with "; ") plus
// ReplayGain, for compact comparisons.
inline std::string fields_text(const track_info& info) {
  std::string out;
  for (size_t i = 0; i < info.meta_count(); ++i)
    out += std::string(info.meta_name(i)) + "=" + info.meta_joined(i) + "\n";
  for (const auto& [name, value] : info.get_replaygain().to_text_fields())
    out += "rg:" + std::string(name) + "=" + value + "\n";
  return out;
}

// The same lines sorted, for records whose field order may differ.
inline std::string sorted_fields_text(const track_info& info) {
  std::vector<std::string> lines;
  std::string text = fields_text(info);
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find('\n', start);
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  std::sort(lines.begin(), lines.end());
  std::string out;
  for (const auto& l : lines) out += l + "\n";
  return out;
}

}  // namespace lumo::test
