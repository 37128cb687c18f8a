#pragma once
// Helpers for the input tests: byte-by-byte file building, fixture loading, a logger
// that records what it is told.

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "input/event_logger.h"

namespace lumo::test {

class bytes {
 public:
  bytes& str(std::string_view s) {
    data_.insert(data_.end(), s.begin(), s.end());
    return *this;
  }
  bytes& u8(uint8_t v) {
    data_.push_back(v);
    return *this;
  }
  bytes& u16le(uint16_t v) { return u8(v & 0xFF).u8(v >> 8); }
  bytes& u32le(uint32_t v) { return u16le(v & 0xFFFF).u16le(v >> 16); }
  bytes& u64le(uint64_t v) {
    return u32le(static_cast<uint32_t>(v)).u32le(static_cast<uint32_t>(v >> 32));
  }
  bytes& u16be(uint16_t v) { return u8(v >> 8).u8(v & 0xFF); }
  bytes& u32be(uint32_t v) { return u16be(v >> 16).u16be(v & 0xFFFF); }
  bytes& zeros(size_t n) {
    data_.resize(data_.size() + n, 0);
    return *this;
  }
  bytes& raw(const std::vector<uint8_t>& v) {
    data_.insert(data_.end(), v.begin(), v.end());
    return *this;
  }
  size_t size() const { return data_.size(); }
  const std::vector<uint8_t>& get() const { return data_; }

 private:
  std::vector<uint8_t> data_;
};

inline std::vector<uint8_t> read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::string fixture(std::string_view name) {
  return std::string(LUMO_TEST_FIXTURES) + "/pcm/" + std::string(name);
}

class recording_logger final : public event_logger {
 public:
  void log(std::string_view text, event_severity severity) override {
    events.emplace_back(std::string(text), severity);
  }
  bool has(std::string_view prefix) const {
    for (const auto& e : events)
      if (e.first.starts_with(prefix) && e.second == event_severity::warning) return true;
    return false;
  }
  std::vector<std::pair<std::string, event_severity>> events;
};

}  // namespace lumo::test
