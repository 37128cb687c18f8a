#include "input/pcm/wav_parser.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "core/byte_cursor.h"
#include "core/exceptions.h"
#include "input/pcm/ima_adpcm.h"
#include "input/pcm/text_fields.h"

// Wave64 names chunks by GUID; RIFF and RF64 four-character codes are translated into
// the same GUIDs so one chunk loop serves all three. GUIDs are compared in their file
// form (first three groups little-endian).

namespace lumo::pcm {

namespace {

constexpr guid wave64_guid(uint32_t data1, uint16_t data2, uint16_t data3, uint64_t tail) {
  guid g{data1, data2, data3, {}};
  for (int i = 0; i < 8; ++i) g.data4[i] = static_cast<uint8_t>(tail >> (8 * (7 - i)));
  return g;
}

constexpr guid guid_riff = wave64_guid(0x66666972, 0x912E, 0x11CF, 0xA5D628DB04C10000);
constexpr guid guid_wave = wave64_guid(0x65766177, 0xACF3, 0x11D3, 0x8CD100C04F8EDB8A);
constexpr guid guid_fmt = wave64_guid(0x20746D66, 0xACF3, 0x11D3, 0x8CD100C04F8EDB8A);
constexpr guid guid_data = wave64_guid(0x61746164, 0xACF3, 0x11D3, 0x8CD100C04F8EDB8A);
// Our own identifier for RF64's "ds64"; Wave64 has no such chunk.
constexpr guid guid_ds64 = wave64_guid(0xA4C36709, 0x02FB, 0x4525, 0x8E68A9BBC8C40816);
constexpr guid guid_junk = wave64_guid(0x6B6E756A, 0xACF3, 0x11D3, 0x8CD100C04F8EDB8A);
// Codes without a Wave64 counterpart: their RIFF spelling padded with the WAVE suffix,
// only ever compared, never stored.
constexpr guid guid_list = wave64_guid(0x5453494C, 0x0000, 0x0000, 0);
constexpr guid guid_id3_lower = wave64_guid(0x20336469, 0x0000, 0x0000, 0);
constexpr guid guid_id3_upper = wave64_guid(0x20334449, 0x0000, 0x0000, 0);
constexpr guid guid_none{};

constexpr guid subtype_pcm = wave64_guid(0x00000001, 0x0000, 0x0010, 0x800000AA00389B71);
constexpr guid subtype_float = wave64_guid(0x00000003, 0x0000, 0x0010, 0x800000AA00389B71);

guid guid_of_code(std::string_view code) {
  struct entry {
    std::string_view code;
    const guid* id;
  };
  static constexpr entry table[] = {
      {"RIFF", &guid_riff}, {"WAVE", &guid_wave},      {"fmt ", &guid_fmt},
      {"data", &guid_data}, {"ds64", &guid_ds64},      {"JUNK", &guid_junk},
      {"LIST", &guid_list}, {"id3 ", &guid_id3_lower}, {"ID3 ", &guid_id3_upper}};
  for (const auto& e : table)
    if (e.code == code) return *e.id;
  return guid_none;
}

enum class wav_kind { riff, rf64, wave64 };

constexpr uint16_t tag_pcm = 1;
constexpr uint16_t tag_ms_adpcm = 2;
constexpr uint16_t tag_float = 3;
constexpr uint16_t tag_ima_adpcm = 0x11;
constexpr uint16_t tag_extensible = 0xFFFE;
constexpr uint32_t max_fmt_bytes = 0x100000;
constexpr uint32_t max_list_bytes = 1 << 20;

struct wave_format {
  uint16_t tag = 0;
  uint16_t channels = 0;
  uint32_t sample_rate = 0;
  uint32_t avg_bytes_per_sec = 0;
  uint16_t block_align = 0;
  uint16_t bits_per_sample = 0;
  uint16_t valid_bits = 0;
  uint32_t channel_mask = 0;
  guid sub_format{};
  bool is_extensible = false;
};

wave_format parse_fmt(byte_source& source, uint64_t payload_bytes, const abort_signal& abort) {
  const uint64_t start = source.position();
  if (payload_bytes != 16 && (payload_bytes < 18 || payload_bytes > max_fmt_bytes))
    throw_data_error("fmt chunk", start, "size " + std::to_string(payload_bytes));
  std::vector<uint8_t> storage;
  byte_cursor c =
      read_block(source, storage, static_cast<size_t>(payload_bytes), "fmt chunk", abort);
  wave_format f;
  f.tag = c.u16le();
  f.channels = c.u16le();
  f.sample_rate = c.u32le();
  f.avg_bytes_per_sec = c.u32le();
  f.block_align = c.u16le();
  f.bits_per_sample = c.u16le();
  const uint32_t cb_size = c.at_end() ? 0 : c.u16le();
  if (f.channels < 1 || f.channels > 256 || f.sample_rate < 1000 || f.sample_rate > 20'000'000 ||
      f.avg_bytes_per_sec == 0 || f.block_align == 0)
    throw_data_error("fmt chunk", start, "impossible channel count, rate or block size");
  if (f.tag == tag_ms_adpcm || f.tag == tag_ima_adpcm) {
    // ADPCM writers are known to store nonsense here; the nominal rate is derived
    // from the bit depth instead.
    const uint64_t x = uint64_t{f.bits_per_sample} * f.channels * f.sample_rate;
    if (f.avg_bytes_per_sec < x / 16 || f.avg_bytes_per_sec > 2 * (x / 8))
      f.avg_bytes_per_sec = static_cast<uint32_t>(std::min<uint64_t>(x / 8, UINT32_MAX));
  }
  if (f.tag == tag_extensible) {
    // cbSize may claim more than the chunk holds; what the chunk holds decides.
    if (std::min<size_t>(cb_size, c.remaining()) < 22)
      c.fail("WAVE_FORMAT_EXTENSIBLE without its 22 extra bytes");
    f.is_extensible = true;
    f.valid_bits = c.u16le();
    f.channel_mask = c.u32le();
    f.sub_format = c.guid_le();
  }
  return f;
}

void parse_info_list(byte_source& source, uint64_t payload_bytes, field_list& meta,
                     const abort_signal& abort) {
  if (payload_bytes < 4 || payload_bytes > max_list_bytes) return;
  const uint64_t start = source.position();
  std::vector<uint8_t> bytes(static_cast<size_t>(payload_bytes));
  bytes.resize(source.read(bytes.data(), bytes.size(), abort));
  byte_cursor list(bytes, "LIST chunk", start);
  if (!list.peek_equals("INFO")) return;
  list.skip(4);
  static const char* const keys[][2] = {
      {"IPRD", "album"},     {"IART", "artist"},      {"IGNR", "genre"},    {"ICMT", "comment"},
      {"ICOP", "copyright"}, {"IENG", "engineer"},    {"ILNG", "language"}, {"INAM", "title"},
      {"IWRI", "writer"},    {"ITRK", "tracknumber"}, {"ICNT", "country"},  {"IMED", "medium"},
      {"ISRC", "source"},    {"ICRD", "date"}};
  while (list.has(8)) {
    const std::string_view id = list.fixed_string(4);
    // An item that claims more than is left is read as far as it goes.
    const size_t size = std::min<size_t>(list.u32le(), list.remaining());
    const std::span<const uint8_t> value = list.bytes(size);
    for (const auto& key : keys) {
      if (id != key[0]) continue;
      std::string text = chunk_text(value.data(), value.size());
      if (!text.empty()) meta.emplace_back(key[1], std::move(text));
    }
    if (size & 1) {
      if (list.at_end()) break;
      list.skip(1);
    }
  }
}

void fill_technical(const wave_format& f, bool is_plain_riff, const stream_description& stream,
                    pcm_file_info& info) {
  auto& t = info.technical;
  t.emplace_back("samplerate", std::to_string(f.sample_rate));
  t.emplace_back("channels", std::to_string(f.channels));
  t.emplace_back("bitrate", std::to_string(f.avg_bytes_per_sec / 125));
  const bool is_ext_pcm = f.is_extensible && f.sub_format == subtype_pcm;
  const bool is_ext_float = f.is_extensible && f.sub_format == subtype_float;
  if (f.tag == tag_pcm || f.tag == tag_float || is_ext_pcm || is_ext_float) {
    const bool is_float = f.tag == tag_float || is_ext_float;
    const uint16_t bits = f.is_extensible ? f.valid_bits : f.bits_per_sample;
    t.emplace_back("codec", is_float ? "PCM (floating-point)" : "PCM");
    t.emplace_back("encoding", "lossless");
    t.emplace_back("bitspersample", std::to_string(bits));
    if (is_float)
      t.emplace_back("bitspersample_extra", "floating-point");
    else if (f.is_extensible || bits == 32 || bits == 64)
      t.emplace_back("bitspersample_extra", "fixed-point");
  } else {
    if (f.tag == tag_ima_adpcm) {
      t.emplace_back("codec", "IMA ADPCM");
      t.emplace_back("encoding", "lossy");
    }
    if (f.bits_per_sample) t.emplace_back("bitspersample", std::to_string(f.bits_per_sample));
  }
  if (!is_plain_riff || stream.data_length_bytes <= UINT32_MAX)
    info.length_seconds = static_cast<double>(stream.data_length_bytes) / f.avg_bytes_per_sec;
}

// Chooses the sample decoder; leaves is_decodable false for everything else.
void describe_stream(const wave_format& f, pcm_file_info& info) {
  stream_description& s = info.stream;
  s.sample_rate = f.sample_rate;
  s.channels = f.channels;
  s.bits_per_sample = f.bits_per_sample;
  s.order = byte_order::little;
  s.block_align = f.block_align;
  s.channel_mask = f.is_extensible && channel_mask_bits(f.channel_mask) == f.channels
                       ? f.channel_mask
                       : default_channel_mask(f.channels);
  const uint32_t bits = f.bits_per_sample;
  bool is_pcm = false;
  if (f.tag == tag_pcm || (f.is_extensible && f.sub_format == subtype_pcm)) {
    is_pcm = bits == 8 || bits == 16 || bits == 24 || bits == 32;
    s.encoding = bits == 8 ? sample_encoding::unsigned_int : sample_encoding::signed_int;
  } else if (f.tag == tag_float || (f.is_extensible && f.sub_format == subtype_float)) {
    is_pcm = bits == 16 || bits == 24 || bits == 32 || bits == 64;
    s.encoding = sample_encoding::ieee_float;
  } else if (f.tag == tag_ima_adpcm && bits == 4) {
    s.encoding = sample_encoding::ima_adpcm;
    info.is_decodable = ima_adpcm_samples_per_block(f.block_align, f.channels) != 0;
  }
  if (is_pcm) {
    // Frames are what the samples need, whatever nBlockAlign claims.
    s.block_align = bits / 8 * f.channels;
    info.is_decodable = true;
  }
  if (s.block_align) s.data_length_bytes -= s.data_length_bytes % s.block_align;
}

}  // namespace

pcm_file_info parse_wav(byte_source& source, event_logger& logger, const abort_signal& abort) {
  const std::optional<uint64_t> file_size = source.size();
  const uint64_t start = source.position();
  std::vector<uint8_t> head_bytes;
  byte_cursor head = read_block(source, head_bytes, 4, "WAV header", abort);
  const std::string_view magic = head.fixed_string(4);
  wav_kind kind;
  if (magic == "RIFF") {
    kind = wav_kind::riff;
  } else if (magic == "RF64") {
    kind = wav_kind::rf64;
  } else if (magic == "riff") {
    std::vector<uint8_t> rest;
    read_block(source, rest, 12, "Wave64 header", abort);
    head_bytes.insert(head_bytes.end(), rest.begin(), rest.end());
    head = byte_cursor(head_bytes, "Wave64 header", start);
    if (head.guid_le() != guid_riff) throw_data_error("Wave64 header", start, "not a Wave64 file");
    kind = wav_kind::wave64;
  } else {
    throw_data_error("WAV header", start, "not a RIFF, RF64 or Wave64 file");
  }
  const bool is_w64 = kind == wav_kind::wave64;

  // The form end stays unknown (UINT64_MAX) only for a streamed file of unknown length.
  const uint64_t file_end = file_size.value_or(UINT64_MAX);
  uint64_t form_end;
  guid form_type;
  if (is_w64) {
    byte_cursor form = read_block(source, head_bytes, 24, "Wave64 header", abort);
    const uint64_t size = form.u64le();
    if (size < 24) form.fail("form size below 24");
    form_end = start + size < start ? UINT64_MAX : start + size;
    form_type = form.guid_le();
  } else {
    byte_cursor form = read_block(source, head_bytes, 8, "RIFF header", abort);
    const uint32_t size = form.u32le();
    // Streaming writers leave the size 0 or all ones: the form runs to the end.
    form_end = (size == 0 || size == UINT32_MAX) ? file_end : start + 8 + size;
    form_type = guid_of_code(form.fixed_string(4));
  }
  if (form_type != guid_wave) throw_data_error("WAV header", start, "form type is not WAVE");
  if (form_end > file_end && file_size) {
    logger.log(
        "Nonsensical content size in WAV header, found: " + std::to_string(form_end - start) +
            ", maximum allowed: " + std::to_string(file_end - start) + " (size of whole file)",
        event_severity::warning);
    form_end = file_end;
  }

  pcm_file_info info;
  std::optional<wave_format> format;
  bool has_data = false;
  bool has_ds64 = false;
  uint64_t ds64_data_bytes = 0;
  const uint32_t header_bytes = is_w64 ? 24 : 8;
  const uint64_t alignment = is_w64 ? 8 : 2;
  uint64_t pos = source.position();

  while (pos < form_end) {
    abort.check();
    if (source.position() != pos) source.seek(pos, abort);
    uint8_t header_bytes_read[24];
    if (source.read(header_bytes_read, header_bytes, abort) != header_bytes) break;
    byte_cursor header(std::span(header_bytes_read, header_bytes), "chunk header", pos);
    guid id;
    uint64_t payload;
    if (is_w64) {
      id = header.guid_le();
      const uint64_t size = header.u64le();
      if (size < 24) throw_data_error("chunk header", pos, "chunk size below 24");
      payload = size - 24;
    } else {
      id = guid_of_code(header.fixed_string(4));
      payload = header.u32le();
    }
    const uint64_t payload_start = pos + header_bytes;
    const bool is_form_end_known = form_end != UINT64_MAX;
    const bool runs_past = payload_start > form_end || payload > form_end - payload_start;
    // Streaming writers leave a data size of 0 or all ones, and RF64 keeps the real one
    // in ds64: those run to the end by design, not by damage.
    const bool is_open_ended = id == guid_data && (kind == wav_kind::rf64 || payload == 0 ||
                                                   (!is_w64 && payload == UINT32_MAX));
    if (runs_past && is_form_end_known && !is_open_ended) {
      if (id == guid_data)
        logger.log("File is truncated, " +
                       std::to_string(payload - (form_end - std::min(payload_start, form_end))) +
                       " bytes missing",
                   event_severity::warning);
      else
        logger.log("Incomplete or malformed chunk encountered at " + std::to_string(pos) + " bytes",
                   event_severity::warning);
    }
    if (runs_past || (id == guid_data && payload == 0 && is_form_end_known))
      payload = form_end - std::min(payload_start, form_end);

    if (kind == wav_kind::rf64 && !has_ds64) {
      if (id != guid_ds64 || payload < 16)
        throw_data_error("ds64 chunk", pos, "RF64 without its ds64 chunk first");
      byte_cursor ds64 = read_block(source, head_bytes, 16, "ds64 chunk", abort);
      const uint64_t riff_size = ds64.u64le();
      ds64_data_bytes = ds64.u64le();
      const uint64_t new_end = start + 8 + riff_size;
      if (new_end < start + 8 || new_end < payload_start + payload || ds64_data_bytes == UINT64_MAX)
        throw_data_error("ds64 chunk", payload_start, "impossible sizes");
      form_end = std::min(new_end, file_end);
      has_ds64 = true;
    } else if (id == guid_fmt) {
      if (!format) format = parse_fmt(source, payload, abort);
    } else if (id == guid_data) {
      if (!has_data) {
        if (kind == wav_kind::rf64)
          payload = std::min(ds64_data_bytes, form_end - std::min(payload_start, form_end));
        info.stream.data_offset_bytes = payload_start;
        info.stream.data_length_bytes = payload;
        has_data = true;
      }
      if (!source.can_seek()) break;
    } else if (kind == wav_kind::riff && source.can_seek()) {
      if (id == guid_list) {
        parse_info_list(source, payload, info.meta, abort);
      } else if ((id == guid_id3_lower || id == guid_id3_upper) && !info.id3v2_offset_bytes) {
        info.id3v2_offset_bytes = payload_start;
        info.id3v2_size_bytes = payload;
      }
    }

    const uint64_t padded = payload + (alignment - payload % alignment) % alignment;
    if (payload_start + padded < payload_start) break;
    const uint64_t next = payload_start + padded;
    if (next > form_end) break;
    if (!source.can_seek()) {
      const uint64_t here = source.position();
      if (next > here && skip_forward(source, next - here, abort) != next - here) break;
    }
    pos = next;
  }

  if (!format) throw_data_error("WAV file", start, "no fmt chunk");
  if (!has_data) throw_data_error("WAV file", start, "no data chunk");
  describe_stream(*format, info);
  fill_technical(*format, kind == wav_kind::riff, info.stream, info);
  return info;
}

}  // namespace lumo::pcm
