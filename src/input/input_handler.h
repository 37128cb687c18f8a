#pragma once
// The format handler interface and the three objects a handler opens on a file: a
// decoder (playback), an info reader (scanning, properties) and an info writer (tag
// editing). Handlers hold no per-file state; every open makes a new object, used by one
// thread at a time. The virtual functions are declared in their fixed slot order.

#include <cstdint>
#include <memory>
#include <string_view>

#include "core/abort.h"
#include "core/guid.h"
#include "core/service.h"
#include "fs/file.h"
#include "fs/file_system.h"
#include "input/album_art.h"
#include "input/event_logger.h"
#include "input/pcm_chunk.h"
#include "meta/track_info.h"
#include "meta/track_info_mutable.h"

namespace lumo {

using handler_id = guid;

class input_info_reader {
 public:
  virtual ~input_info_reader() = default;
  // Fills out (replacing what it held). Single-track formats accept only subsong 0
  // and throw exception_io_data for any other index.
  virtual void get_info(uint32_t subsong_index, track_info_mutable& out,
                        const abort_signal& abort) = 0;
  // Size and last-write time of the open file (file_stats::is_writable left true).
  virtual file_stats get_file_stats(const abort_signal& abort) = 0;
};

// Bits of input_decoder::initialize's flags.
inline constexpr uint32_t input_flag_no_seeking = 1 << 0;
inline constexpr uint32_t input_flag_no_looping = 1 << 1;
inline constexpr uint32_t input_flag_playback = 1 << 2;

class input_decoder : public input_info_reader {
 public:
  virtual void initialize(uint32_t subsong_index, uint32_t flags, const abort_signal& abort) = 0;
  // True with a valid block in chunk; false at the end of the stream.
  virtual bool run(pcm_chunk& chunk, const abort_signal& abort) = 0;
  // Lands on the exact sample. Before initialize: kel::exception_dynamic_assert; when
  // can_seek() is false: kel::exception_not_implemented.
  virtual void seek(double seconds, const abort_signal& abort) = 0;
  virtual bool can_seek() = 0;
  // True when the stream's technical info changed since the last call.
  virtual bool get_dynamic_info(track_info_mutable& out, double& timestamp_seconds) = 0;
  // True when a stream's track metadata changed (never for plain files).
  virtual bool get_dynamic_track_info(track_info_mutable& out, double& timestamp_seconds) = 0;
  virtual void on_idle(const abort_signal& abort) = 0;
  // Where non-fatal stream problems go; nullptr restores the null logger. The logger
  // must outlive the decoder.
  virtual void set_event_logger(event_logger* logger) = 0;
};

class input_info_writer : public input_info_reader {
 public:
  virtual void set_info(uint32_t subsong_index, const track_info& info,
                        const abort_signal& abort) = 0;
  virtual void commit(const abort_signal& abort) = 0;
};

// A format handler registers as a singleton service with one line beside its class:
//   LUMO_REGISTER_SINGLETON_SERVICE(my_handler);
// (core/service_registry.h). Scans ask the handlers in registry order.
class input_handler : public service_base {
 public:
  static constexpr guid class_guid{
      0x2d94a7c3u, 0x58e1, 0x4b0f, {0x9a, 0x33, 0x6c, 0x1e, 0xd2, 0x87, 0x40, 0x5b}};
  using parent_class = service_base;
  using service_class = input_handler;

  virtual bool is_handler(const handler_id& id) const = 0;
  // type as given (parameters included); each handler applies its own comparison.
  virtual bool matches_content_type(std::string_view type) const = 0;
  // extension without its dot, possibly empty.
  virtual bool matches_path(std::string_view path, std::string_view extension) const = 0;
  // file may be null: the handler then opens path itself.
  virtual std::shared_ptr<input_decoder> open_decoder(file_ptr file, std::string_view path,
                                                      const abort_signal& abort) const = 0;
  virtual std::shared_ptr<input_info_reader> open_info_reader(file_ptr file, std::string_view path,
                                                              const abort_signal& abort) const = 0;
  virtual std::shared_ptr<input_info_writer> open_info_writer(file_ptr file, std::string_view path,
                                                              const abort_signal& abort) const = 0;
  // No handler here supplies extended data.
  virtual bool get_extended_data(const handler_id&, std::string_view) const { return false; }
  // Bit 0: a scan that skips such handlers leaves this one out. Every handler here is 0.
  virtual uint32_t get_flags() const { return 0; }
  // Formats with pictures override this; the rest have none to read.
  virtual std::shared_ptr<album_art_reader> open_album_art_reader(file_ptr file,
                                                                  std::string_view path,
                                                                  const abort_signal& abort) const;
};

}  // namespace lumo
