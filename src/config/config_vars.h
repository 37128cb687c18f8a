#pragma once
// The kinds of configuration variables. Declaring one is one line beside its user:
//
//   static config_bool g_show_pictures{{0xB9624A96, 0x1DBB, 0x4608, {...}}, true};
//
// Encodings (the record is exactly these bytes): boolean 1 byte (0 false, else true);
// 32-bit integer 4 bytes little-endian; GUID 16 bytes in its memory layout; text the
// UTF-8 bytes without length or terminator; window position five 32-bit fields; font a
// logical-font record; structured kinds whatever their declaring module lays out.

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "config/config_var.h"
#include "config/logical_font.h"

namespace lumo {

// Plain values: any thread may read them directly.
class config_bool final : public config_var {
 public:
  config_bool(const guid& id, bool default_value)
      : config_var(id), default_(default_value), value_(default_value) {}

  bool get() const { return value_.load(std::memory_order_relaxed); }
  void set(bool value) { value_.store(value, std::memory_order_relaxed); }
  bool default_value() const { return default_; }

  void read_value(stream_reader& reader, uint64_t size_hint_bytes,
                  const abort_signal& abort) override;
  void write_value(stream_writer& writer, const abort_signal& abort) const override;
  void reset() override { set(default_); }

 private:
  const bool default_;
  std::atomic<bool> value_;
};

class config_int32 final : public config_var {
 public:
  config_int32(const guid& id, int32_t default_value)
      : config_var(id), default_(default_value), value_(default_value) {}

  int32_t get() const { return value_.load(std::memory_order_relaxed); }
  void set(int32_t value) { value_.store(value, std::memory_order_relaxed); }
  int32_t default_value() const { return default_; }

  void read_value(stream_reader& reader, uint64_t size_hint_bytes,
                  const abort_signal& abort) override;
  void write_value(stream_writer& writer, const abort_signal& abort) const override;
  void reset() override { set(default_); }

 private:
  const int32_t default_;
  std::atomic<int32_t> value_;
};

// The values below are not atomic: their declaring module locks them if it changes
// them while other threads read.

class config_guid final : public config_var {
 public:
  explicit config_guid(const guid& id, const guid& default_value = guid{})
      : config_var(id), default_(default_value), value_(default_value) {}

  const guid& get() const { return value_; }
  void set(const guid& value) { value_ = value; }

  void read_value(stream_reader& reader, uint64_t size_hint_bytes,
                  const abort_signal& abort) override;
  void write_value(stream_writer& writer, const abort_signal& abort) const override;
  void reset() override { value_ = default_; }

 private:
  const guid default_;
  guid value_;
};

// UTF-8 text; the record's length is the text's length.
class config_string final : public config_var {
 public:
  config_string(const guid& id, const char* default_value)
      : config_var(id), default_(default_value), value_(default_value) {}

  const std::string& get() const { return value_; }
  void set(std::string value) { value_ = std::move(value); }
  const char* default_value() const { return default_; }

  void read_value(stream_reader& reader, uint64_t size_hint_bytes,
                  const abort_signal& abort) override;
  void write_value(stream_writer& writer, const abort_signal& abort) const override;
  void reset() override { value_ = default_; }

 private:
  const char* const default_;
  std::string value_;
};

// A window's placement; the declaring window decides what the fields mean beyond the
// defaults (x and y start as the system's use-default position, CW_USEDEFAULT).
struct window_position {
  static constexpr int32_t use_default = INT32_MIN;  // 0x80000000
  int32_t show_state = 0;
  int32_t width = -1;
  int32_t height = -1;
  int32_t x = use_default;
  int32_t y = use_default;
  friend bool operator==(const window_position&, const window_position&) = default;
};

class config_window_position final : public config_var {
 public:
  explicit config_window_position(const guid& id) : config_var(id) {}

  const window_position& get() const { return value_; }
  void set(const window_position& value) { value_ = value; }

  void read_value(stream_reader& reader, uint64_t size_hint_bytes,
                  const abort_signal& abort) override;
  void write_value(stream_writer& writer, const abort_signal& abort) const override;
  void reset() override { value_ = {}; }

 private:
  window_position value_;
};

// A font choice; until one is set or loaded it is the system's menu font, asked for
// on first use rather than during static initialisation.
class config_font final : public config_var {
 public:
  explicit config_font(const guid& id) : config_var(id) {}

  logical_font get() const { return value_ ? *value_ : default_logical_font(); }
  void set(const logical_font& value) { value_ = value; }
  bool is_default() const { return !value_; }

  void read_value(stream_reader& reader, uint64_t size_hint_bytes,
                  const abort_signal& abort) override;
  void write_value(stream_writer& writer, const abort_signal& abort) const override;
  void reset() override { value_.reset(); }

 private:
  std::optional<logical_font> value_;
};

// Structured bytes of any layout (folder lists, column layouts): the declaring module
// encodes and decodes them; the record is the whole block.
class config_blob final : public config_var {
 public:
  explicit config_blob(const guid& id, std::vector<uint8_t> default_value = {})
      : config_var(id), default_(std::move(default_value)), value_(default_) {}

  const std::vector<uint8_t>& get() const { return value_; }
  void set(std::vector<uint8_t> value) { value_ = std::move(value); }

  void read_value(stream_reader& reader, uint64_t size_hint_bytes,
                  const abort_signal& abort) override;
  void write_value(stream_writer& writer, const abort_signal& abort) const override;
  void reset() override { value_ = default_; }

 private:
  const std::vector<uint8_t> default_;
  std::vector<uint8_t> value_;
};

// A fixed record of plain fields stored as its in-memory bytes (both builds are
// little-endian x86-64, so the bytes read back alike). A record shorter than T fails
// the load; longer records keep their extra bytes unread (skipped by the store).
template <class T>
class config_struct final : public config_var {
  static_assert(std::is_trivially_copyable_v<T>, "stored as raw bytes");

 public:
  config_struct(const guid& id, const T& default_value)
      : config_var(id), default_(default_value), value_(default_value) {}

  const T& get() const { return value_; }
  void set(const T& value) { value_ = value; }

  void read_value(stream_reader& reader, uint64_t, const abort_signal& abort) override {
    T value;
    reader.read_exact(&value, sizeof(T), abort);
    value_ = value;
  }
  void write_value(stream_writer& writer, const abort_signal& abort) const override {
    writer.write(&value_, sizeof(T), abort);
  }
  void reset() override { value_ = default_; }

 private:
  const T default_;
  T value_;
};

}  // namespace lumo
