#include "input/pcm/wav_parser.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "core/exceptions.h"
#include "input/pcm/byte_order.h"
#include "input/pcm/ima_adpcm.h"
#include "input/pcm/text_fields.h"

// Wave64 names chunks by GUID; RIFF and RF64 four-character codes are translated into
// the same GUIDs so one chunk loop serves all three. GUIDs are compared in their file
// form (first three groups little-endian).

namespace lumo::pcm {

namespace {

using guid = std::array<uint8_t, 16>;

constexpr guid make_guid(uint32_t a, uint16_t b, uint16_t c, uint64_t d) {
  guid g{};
  for (int i = 0; i < 4; ++i) g[i] = static_cast<uint8_t>(a >> (8 * i));
  for (int i = 0; i < 2; ++i) g[4 + i] = static_cast<uint8_t>(b >> (8 * i));
  for (int i = 0; i < 2; ++i) g[6 + i] = static_cast<uint8_t>(c >> (8 * i));
  for (int i = 0; i < 8; ++i) g[8 + i] = static_cast<uint8_t>(d >> (8 * (7 - i)));
  return g;
}

constexpr guid guid_riff = make_guid(0x66666972, 0x912E, 0x11CF, 0xA5D628DB04C10000);
constexpr guid guid_wave = make_guid(0x65766177, 0xACF3, 0x11D3, 0x8CD100C04F8EDB8A);
constexpr guid guid_fmt = make_guid(0x20746D66, 0xACF3, 0x11D3, 0x8CD100C04F8EDB8A);
constexpr guid guid_data = make_guid(0x61746164, 0xACF3, 0x11D3, 0x8CD100C04F8EDB8A);
// Our own identifier for RF64's "ds64"; Wave64 has no such chunk.
constexpr guid guid_ds64 = make_guid(0xA4C36709, 0x02FB, 0x4525, 0x8E68A9BBC8C40816);
constexpr guid guid_junk = make_guid(0x6B6E756A, 0xACF3, 0x11D3, 0x8CD100C04F8EDB8A);
// Codes without a Wave64 counterpart: their RIFF spelling padded with the WAVE suffix,
// only ever compared, never stored.
constexpr guid guid_list = make_guid(0x5453494C, 0x0000, 0x0000, 0);
constexpr guid guid_id3_lower = make_guid(0x20336469, 0x0000, 0x0000, 0);
constexpr guid guid_id3_upper = make_guid(0x20334449, 0x0000, 0x0000, 0);
constexpr guid guid_none{};

constexpr guid subtype_pcm = make_guid(0x00000001, 0x0000, 0x0010, 0x800000AA00389B71);
constexpr guid subtype_float = make_guid(0x00000003, 0x0000, 0x0010, 0x800000AA00389B71);

guid guid_of_code(const uint8_t* code) {
  struct entry {
    char code[5];
    const guid* id;
  };
  static const entry table[] = {
      {"RIFF", &guid_riff}, {"WAVE", &guid_wave},      {"fmt ", &guid_fmt},
      {"data", &guid_data}, {"ds64", &guid_ds64},      {"JUNK", &guid_junk},
      {"LIST", &guid_list}, {"id3 ", &guid_id3_lower}, {"ID3 ", &guid_id3_upper}};
  for (const auto& e : table)
    if (std::memcmp(e.code, code, 4) == 0) return *e.id;
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
  std::vector<uint8_t> bytes;
  if (payload_bytes == 16) {
    bytes.resize(18, 0);
    read_exact(source, bytes.data(), 16, abort);
  } else {
    if (payload_bytes < 18 || payload_bytes > max_fmt_bytes) throw sonatrix_io::exception_io_data();
    bytes.resize(static_cast<size_t>(payload_bytes));
    read_exact(source, bytes.data(), bytes.size(), abort);
  }
  const uint32_t cb_size =
      std::min<uint32_t>(load_u16_le(&bytes[16]), static_cast<uint32_t>(bytes.size() - 18));
  wave_format f;
  f.tag = load_u16_le(&bytes[0]);
  f.channels = load_u16_le(&bytes[2]);
  f.sample_rate = load_u32_le(&bytes[4]);
  f.avg_bytes_per_sec = load_u32_le(&bytes[8]);
  f.block_align = load_u16_le(&bytes[12]);
  f.bits_per_sample = load_u16_le(&bytes[14]);
  if (f.channels < 1 || f.channels > 256 || f.sample_rate < 1000 || f.sample_rate > 20'000'000 ||
      f.avg_bytes_per_sec == 0 || f.block_align == 0)
    throw sonatrix_io::exception_io_data();
  if (f.tag == tag_ms_adpcm || f.tag == tag_ima_adpcm) {
    // ADPCM writers are known to store nonsense here; the nominal rate is derived
    // from the bit depth instead.
    const uint64_t x = uint64_t{f.bits_per_sample} * f.channels * f.sample_rate;
    if (f.avg_bytes_per_sec < x / 16 || f.avg_bytes_per_sec > 2 * (x / 8))
      f.avg_bytes_per_sec = static_cast<uint32_t>(std::min<uint64_t>(x / 8, UINT32_MAX));
  }
  if (f.tag == tag_extensible) {
    if (cb_size < 22) throw sonatrix_io::exception_io_data();
    f.is_extensible = true;
    f.valid_bits = load_u16_le(&bytes[18]);
    f.channel_mask = load_u32_le(&bytes[20]);
    std::memcpy(f.sub_format.data(), &bytes[24], 16);
  }
  return f;
}

void parse_info_list(byte_source& source, uint64_t payload_bytes, field_list& meta,
                     const abort_signal& abort) {
  if (payload_bytes < 4 || payload_bytes > max_list_bytes) return;
  std::vector<uint8_t> bytes(static_cast<size_t>(payload_bytes));
  bytes.resize(source.read(bytes.data(), bytes.size(), abort));
  if (bytes.size() < 4 || std::memcmp(bytes.data(), "INFO", 4) != 0) return;
  static const char* const keys[][2] = {
      {"IPRD", "album"},     {"IART", "artist"},      {"IGNR", "genre"},    {"ICMT", "comment"},
      {"ICOP", "copyright"}, {"IENG", "engineer"},    {"ILNG", "language"}, {"INAM", "title"},
      {"IWRI", "writer"},    {"ITRK", "tracknumber"}, {"ICNT", "country"},  {"IMED", "medium"},
      {"ISRC", "source"},    {"ICRD", "date"}};
  size_t pos = 4;
  while (bytes.size() - pos >= 8) {
    const uint8_t* item = &bytes[pos];
    const size_t size = std::min<size_t>(load_u32_le(item + 4), bytes.size() - pos - 8);
    for (const auto& key : keys) {
      if (std::memcmp(item, key[0], 4) != 0) continue;
      std::string text = chunk_text(item + 8, size);
      if (!text.empty()) meta.emplace_back(key[1], std::move(text));
    }
    pos += 8 + size + (size & 1);
    if (pos > bytes.size()) break;
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

pcm_file_info parse_wav(byte_source& source, event_logger&, const abort_signal& abort) {
  const std::optional<uint64_t> file_size = source.size();
  const uint64_t start = source.position();
  uint8_t head[16];
  read_exact(source, head, 4, abort);
  wav_kind kind;
  if (std::memcmp(head, "RIFF", 4) == 0) {
    kind = wav_kind::riff;
  } else if (std::memcmp(head, "RF64", 4) == 0) {
    kind = wav_kind::rf64;
  } else if (std::memcmp(head, "riff", 4) == 0) {
    read_exact(source, head + 4, 12, abort);
    if (std::memcmp(head, guid_riff.data(), 16) != 0) throw sonatrix_io::exception_io_data();
    kind = wav_kind::wave64;
  } else {
    throw sonatrix_io::exception_io_data();
  }
  const bool is_w64 = kind == wav_kind::wave64;

  // The form end stays unknown (UINT64_MAX) only for a streamed file of unknown length.
  const uint64_t file_end = file_size.value_or(UINT64_MAX);
  uint64_t form_end;
  if (is_w64) {
    read_exact(source, head, 8, abort);
    const uint64_t size = load_u64_le(head);
    if (size < 24) throw sonatrix_io::exception_io_data();
    form_end = start + size < start ? UINT64_MAX : start + size;
  } else {
    read_exact(source, head, 4, abort);
    const uint32_t size = load_u32_le(head);
    // Streaming writers leave the size 0 or all ones: the form runs to the end.
    form_end = (size == 0 || size == UINT32_MAX) ? file_end : start + 8 + size;
  }
  guid form_type;
  if (is_w64) {
    read_exact(source, form_type.data(), 16, abort);
  } else {
    read_exact(source, head, 4, abort);
    form_type = guid_of_code(head);
  }
  if (form_type != guid_wave) throw sonatrix_io::exception_io_data();
  form_end = std::min(form_end, file_end);

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
    uint8_t header[24];
    if (source.read(header, header_bytes, abort) != header_bytes) break;
    guid id;
    uint64_t payload;
    if (is_w64) {
      std::memcpy(id.data(), header, 16);
      const uint64_t size = load_u64_le(header + 16);
      if (size < 24) throw sonatrix_io::exception_io_data();
      payload = size - 24;
    } else {
      id = guid_of_code(header);
      payload = load_u32_le(header + 4);
    }
    const uint64_t payload_start = pos + header_bytes;
    const bool is_form_end_known = form_end != UINT64_MAX;
    if (payload_start > form_end || payload > form_end - payload_start ||
        (id == guid_data && payload == 0 && is_form_end_known))
      payload = form_end - std::min(payload_start, form_end);

    if (kind == wav_kind::rf64 && !has_ds64) {
      if (id != guid_ds64 || payload < 16) throw sonatrix_io::exception_io_data();
      uint8_t ds64[16];
      read_exact(source, ds64, 16, abort);
      const uint64_t riff_size = load_u64_le(ds64);
      ds64_data_bytes = load_u64_le(ds64 + 8);
      const uint64_t new_end = start + 8 + riff_size;
      if (new_end < start + 8 || new_end < payload_start + payload || ds64_data_bytes == UINT64_MAX)
        throw sonatrix_io::exception_io_data();
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

  if (!format || !has_data) throw sonatrix_io::exception_io_data();
  describe_stream(*format, info);
  fill_technical(*format, kind == wav_kind::riff, info.stream, info);
  return info;
}

}  // namespace lumo::pcm
