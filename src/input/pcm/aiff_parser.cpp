#include "input/pcm/aiff_parser.h"

#include <cmath>
#include <string>
#include <vector>

#include "core/byte_cursor.h"
#include "core/exceptions.h"
#include "input/pcm/text_fields.h"

namespace lumo::pcm {

namespace {

constexpr uint32_t max_text_chunk_bytes = 1 << 20;

enum class form_kind { aiff, aifc, svx8, svx16 };

struct aiff_state {
  form_kind kind;
  pcm_file_info info;
  bool has_format = false;
  bool has_data = false;
  uint32_t frame_count = 0;
  uint32_t sample_size_bits = 0;
  std::string codec = "PCM";
  bool is_lossy = false;
};

void read_comm(byte_source& source, uint64_t size, aiff_state& st, event_logger& logger,
               const abort_signal& abort) {
  const uint64_t start = source.position();
  if (st.has_format) throw_data_error("COMM chunk", start, "a second format chunk");
  const bool is_aifc = st.kind == form_kind::aifc;
  const uint32_t need = is_aifc ? 22 : 18;
  if (size < need) throw_data_error("COMM chunk", start, "chunk too small");
  std::vector<uint8_t> storage;
  byte_cursor c = read_block(source, storage, need, "COMM chunk", abort);
  stream_description& s = st.info.stream;
  s.channels = c.u16be();
  st.frame_count = c.u32be();
  st.sample_size_bits = c.u16be();
  const std::optional<double> rate = load_extended_be(c.bytes(10).data());
  if (!rate || !(*rate >= 1000 && *rate <= 20'000'000) || st.sample_size_bits < 1 ||
      st.sample_size_bits > 64 || s.channels < 1 || s.channels > 256)
    throw_data_error("COMM chunk", start, "impossible channel count, sample size or rate");
  s.sample_rate = static_cast<uint32_t>(std::lround(*rate));
  s.order = byte_order::big;
  s.encoding = sample_encoding::signed_int;
  uint32_t implied_bits = 0;
  if (is_aifc) {
    const std::string_view type = c.fixed_string(4);
    if (type == "NONE") {
    } else if (type == "raw ") {
      if (st.sample_size_bits != 8) c.fail("raw samples that are not 8 bits");
      s.encoding = sample_encoding::unsigned_int;
    } else if (type == "sowt") {
      if (st.sample_size_bits != 16) c.fail("sowt samples that are not 16 bits");
      s.order = byte_order::little;
    } else if (type == "fl32" || type == "FL32") {
      s.encoding = sample_encoding::ieee_float, implied_bits = 32;
    } else if (type == "fl64" || type == "FL64") {
      s.encoding = sample_encoding::ieee_float, implied_bits = 64;
    } else if (type == "alaw" || type == "ALAW") {
      s.encoding = sample_encoding::alaw, implied_bits = 8;
    } else if (type == "ulaw" || type == "ULAW") {
      s.encoding = sample_encoding::ulaw, implied_bits = 8;
    } else {
      c.fail("unsupported compression type");
    }
  }
  if (implied_bits && st.sample_size_bits != implied_bits) {
    logger.log("Nonsense in sample size field", event_severity::warning);
    st.sample_size_bits = implied_bits;
  }
  switch (s.encoding) {
    case sample_encoding::ieee_float: st.codec = "PCM (floating-point)"; break;
    case sample_encoding::alaw: st.codec = "A-Law", st.is_lossy = true; break;
    case sample_encoding::ulaw: st.codec = "u-Law", st.is_lossy = true; break;
    default: break;
  }
  // Samples narrower than their container are stored left-justified, so the container
  // width decodes them at full scale.
  s.bits_per_sample = (st.sample_size_bits + 7) / 8 * 8;
  s.block_align = s.bits_per_sample / 8 * s.channels;
  st.has_format = true;
}

void read_vhdr(byte_source& source, uint64_t size, aiff_state& st, const abort_signal& abort) {
  const uint64_t start = source.position();
  if (st.has_format) throw_data_error("VHDR chunk", start, "a second format chunk");
  if (size < 20) throw_data_error("VHDR chunk", start, "chunk too small");
  std::vector<uint8_t> storage;
  byte_cursor c = read_block(source, storage, 20, "VHDR chunk", abort);
  c.skip(12);
  const uint32_t rate = c.u16be();
  c.skip(1);
  // Only uncompressed voices; Fibonacci-delta bodies are not supported.
  if (c.u8() != 0 || rate < 1000) throw_data_error("VHDR chunk", start, "compressed or too slow");
  stream_description& s = st.info.stream;
  s.sample_rate = rate;
  s.channels = 1;
  s.order = byte_order::big;
  s.encoding = sample_encoding::signed_int;
  st.sample_size_bits = s.bits_per_sample = st.kind == form_kind::svx16 ? 16 : 8;
  s.block_align = s.bits_per_sample / 8;
  st.has_format = true;
}

void read_text(byte_source& source, uint64_t size, const char* field, aiff_state& st,
               const abort_signal& abort) {
  if (size == 0 || size > max_text_chunk_bytes) return;
  std::vector<uint8_t> storage;
  const auto text =
      read_block(source, storage, static_cast<size_t>(size), "text chunk", abort).rest();
  std::string value = chunk_text(text.data(), text.size());
  if (!value.empty()) st.info.meta.emplace_back(field, std::move(value));
}

void read_comt(byte_source& source, uint64_t size, aiff_state& st, const abort_signal& abort) {
  if (size < 2 || size > max_text_chunk_bytes) return;
  std::vector<uint8_t> storage;
  byte_cursor c = read_block(source, storage, static_cast<size_t>(size), "COMT chunk", abort);
  const uint32_t count = c.u16be();
  for (uint32_t i = 0; i < count && c.has(8); ++i) {
    c.skip(6);  // timestamp and marker
    // A comment that claims more than is left is read as far as it goes.
    const size_t length = std::min<size_t>(c.u16be(), c.remaining());
    const std::span<const uint8_t> text = c.bytes(length);
    std::string value = chunk_text(text.data(), text.size());
    if (!value.empty()) st.info.meta.emplace_back("comment", std::move(value));
    if (length & 1) {
      if (c.at_end()) break;
      c.skip(1);
    }
  }
}

// Returns how many payload bytes the handler consumed.
uint64_t handle_chunk(byte_source& source, std::string_view id, uint64_t payload_start,
                      uint64_t size, uint64_t declared_size, aiff_state& st, event_logger& logger,
                      const abort_signal& abort) {
  const bool is_svx = st.kind == form_kind::svx8 || st.kind == form_kind::svx16;
  if (!is_svx && id == "COMM") {
    read_comm(source, size, st, logger, abort);
  } else if (!is_svx && id == "SSND") {
    if (st.has_data) return 0;
    if (size < 8) throw_data_error("SSND chunk", payload_start, "chunk too small");
    std::vector<uint8_t> storage;
    const uint64_t offset = read_block(source, storage, 8, "SSND chunk", abort).u32be();
    if (offset + 8 > size) throw_data_error("SSND chunk", payload_start, "offset past the chunk");
    st.info.stream.data_offset_bytes = payload_start + 8 + offset;
    // The declared end, so that a cut file is reported as truncated below.
    st.info.stream.data_length_bytes = declared_size - 8 - offset;
    st.has_data = true;
    if (!source.can_seek()) return 8 + skip_forward(source, offset, abort);
    return 8;
  } else if (!is_svx && id == "COMT") {
    read_comt(source, size, st, abort);
  } else if (!is_svx && (id == "ID3 " || id == "id3 ")) {
    if (!st.info.id3v2_offset_bytes) {
      st.info.id3v2_offset_bytes = payload_start;
      st.info.id3v2_size_bytes = size;
    }
    return 0;
  } else if (is_svx && id == "VHDR") {
    read_vhdr(source, size, st, abort);
  } else if (is_svx && id == "BODY") {
    if (st.has_data) return 0;
    st.info.stream.data_offset_bytes = payload_start;
    st.info.stream.data_length_bytes = declared_size;
    st.has_data = true;
    return 0;
  } else if (id == "NAME") {
    read_text(source, size, "title", st, abort);
  } else if (id == "AUTH") {
    read_text(source, size, "artist", st, abort);
  } else if (id == "(c) ") {
    read_text(source, size, "copyright", st, abort);
  } else if (id == "ANNO") {
    read_text(source, size, "comment", st, abort);
  } else {
    return 0;
  }
  return source.position() - payload_start;
}

void fill_technical(aiff_state& st) {
  const stream_description& s = st.info.stream;
  auto& t = st.info.technical;
  t.emplace_back("samplerate", std::to_string(s.sample_rate));
  t.emplace_back("channels", std::to_string(s.channels));
  t.emplace_back("bitspersample", std::to_string(st.sample_size_bits));
  t.emplace_back(
      "bitrate",
      std::to_string((uint64_t{s.sample_rate} * s.bits_per_sample * s.channels + 500) / 1000));
  t.emplace_back("codec", st.codec);
  t.emplace_back("encoding", st.is_lossy ? "lossy" : "lossless");
  st.info.length_seconds = static_cast<double>(s.data_length_bytes / s.block_align) / s.sample_rate;
}

}  // namespace

std::optional<double> load_extended_be(const uint8_t* b) {
  const int exponent = (b[0] & 0x7F) << 8 | b[1];
  uint64_t mantissa = 0;
  for (int i = 2; i < 10; ++i) mantissa = mantissa << 8 | b[i];
  if (exponent == 0x7FFF) return std::nullopt;
  double value = std::ldexp(static_cast<double>(mantissa), exponent - 16383 - 63);
  return (b[0] & 0x80) ? -value : value;
}

pcm_file_info parse_aiff(byte_source& source, event_logger& logger, const abort_signal& abort) {
  std::vector<uint8_t> storage;
  if (read_block(source, storage, 4, "IFF header", abort).fixed_string(4) != "FORM")
    throw_data_error("IFF header", 0, "not an IFF file");
  byte_cursor head = read_block(source, storage, 8, "IFF header", abort);
  uint64_t form_size = head.u32be();
  if (form_size < 4) throw_data_error("IFF header", 4, "form size below 4");
  const std::optional<uint64_t> file_size = source.size();
  if (file_size) {
    if (*file_size < 8) throw_data_error("IFF header", 4, "file shorter than its header");
    if (form_size > *file_size - 8) {
      logger.log("Nonsensical content size in AIFF header, found: " + std::to_string(form_size) +
                     ", maximum allowed: " + std::to_string(*file_size - 8) +
                     " (size of whole file minus 8 bytes header)",
                 event_severity::warning);
      form_size = *file_size - 8;
    }
  }
  aiff_state st;
  const std::string_view type = head.fixed_string(4);
  if (type == "AIFF") {
    st.kind = form_kind::aiff;
  } else if (type == "AIFC") {
    st.kind = form_kind::aifc;
  } else if (type == "8SVX") {
    st.kind = form_kind::svx8;
  } else if (type == "16SV") {
    st.kind = form_kind::svx16;
  } else {
    throw_data_error("IFF header", 8, "unknown form type");
  }

  // Offsets inside the form count from its type field, at file offset 8.
  constexpr uint64_t form_start = 8;
  uint64_t pos = 4;
  while (form_size >= 12 && pos + 8 <= form_size) {
    abort.check();
    if (source.position() != form_start + pos) source.seek(form_start + pos, abort);
    byte_cursor chunk = read_block(source, storage, 8, "chunk header", abort);
    const std::string_view id = chunk.fixed_string(4);
    const uint64_t declared = chunk.u32be();
    uint64_t size = declared;
    if (size > form_size - pos - 8) {
      logger.log("Incomplete or malformed chunk encountered at " +
                     std::to_string(form_start + pos) + " bytes",
                 event_severity::warning);
      size = form_size - pos - 8;
    }
    const uint64_t payload_start = form_start + pos + 8;
    const uint64_t used =
        handle_chunk(source, id, payload_start, size, declared, st, logger, abort);
    if (!source.can_seek() && st.has_format && st.has_data) break;
    if (used < size) {
      const uint64_t rest = size - used;
      if (source.can_seek()) {
        if (source.size() && payload_start + size > *source.size())
          throw_truncation_error("chunk", payload_start, "runs past the end of the file");
      } else if (skip_forward(source, rest, abort) != rest) {
        throw_truncation_error("chunk", payload_start, "runs past the end of the stream");
      }
    }
    pos += 8 + size;
    if (size & 1) {
      if (pos >= form_size) break;
      if (!source.can_seek()) skip_forward(source, 1, abort);
      ++pos;
    }
  }

  if (!st.has_format) throw_data_error("IFF file", 0, "no format chunk");
  if (!st.has_data) throw_data_error("IFF file", 0, "no sample data chunk");
  stream_description& s = st.info.stream;
  const uint64_t frame_bytes = s.block_align;
  const bool is_svx = st.kind == form_kind::svx8 || st.kind == form_kind::svx16;
  if (!is_svx && uint64_t{st.frame_count} * frame_bytes != s.data_length_bytes)
    logger.log("AIFF frame count does not match data length", event_severity::warning);
  if (!file_size) throw sonatrix_io::exception_io_no_length();
  if (s.data_offset_bytes > *file_size)
    throw_data_error("IFF file", s.data_offset_bytes, "sample data past the end of the file");
  if (s.data_length_bytes > *file_size - s.data_offset_bytes) {
    const uint64_t missing = s.data_offset_bytes + s.data_length_bytes - *file_size;
    logger.log("File is truncated, " + std::to_string(missing) + " bytes missing",
               event_severity::warning);
    s.data_length_bytes = *file_size - s.data_offset_bytes;
  }
  s.data_length_bytes -= s.data_length_bytes % frame_bytes;
  s.channel_mask = default_channel_mask(s.channels);
  st.info.is_decodable = true;
  fill_technical(st);
  return std::move(st.info);
}

}  // namespace lumo::pcm
