#include "input/pcm/au_parser.h"

#include <string>
#include <vector>

#include "core/byte_cursor.h"
#include "core/exceptions.h"

namespace lumo::pcm {

namespace {

constexpr uint32_t header_min_bytes = 24;
constexpr uint32_t annotation_max_bytes = 1 << 20;
constexpr uint32_t data_size_unknown = 0xFFFFFFFF;

struct au_encoding {
  uint32_t id;
  uint32_t bits;
  sample_encoding encoding;
  const char* codec;
  bool is_lossy;
};

// Encodings 23, 25 and 26 (G.721/G.723 ADPCM) are named for info but their bit widths
// cannot form whole-byte frames, so opening them fails like any damage.
constexpr au_encoding encodings[] = {
    {1, 8, sample_encoding::ulaw, "u-Law", true},
    {2, 8, sample_encoding::signed_int, "PCM", false},
    {3, 16, sample_encoding::signed_int, "PCM", false},
    {4, 24, sample_encoding::signed_int, "PCM", false},
    {5, 32, sample_encoding::signed_int, "PCM", false},
    {6, 32, sample_encoding::ieee_float, "PCM (floating-point)", false},
    {7, 64, sample_encoding::ieee_float, "PCM (floating-point)", false},
    {23, 4, sample_encoding::signed_int, "ADPCM", true},
    {25, 3, sample_encoding::signed_int, "ADPCM", true},
    {26, 5, sample_encoding::signed_int, "ADPCM", true},
    {27, 8, sample_encoding::alaw, "A-Law", true},
};

}  // namespace

pcm_file_info parse_au(byte_source& source, event_logger& logger, const abort_signal& abort) {
  const std::optional<uint64_t> file_size = source.size();
  if (!file_size) throw sonatrix_io::exception_io_no_length();
  std::vector<uint8_t> storage;
  if (read_block(source, storage, 4, "AU header", abort).fixed_string(4) != ".snd")
    throw_data_error("AU header", 0, "not an AU file");
  byte_cursor h = read_block(source, storage, header_min_bytes - 4, "AU header", abort);
  const uint32_t header_bytes = h.u32be();
  if (header_bytes < header_min_bytes || header_bytes >= *file_size)
    throw_data_error("AU header", 4, "impossible header size");
  const uint32_t data_size = h.u32be();
  const uint32_t encoding_id = h.u32be();
  const uint32_t sample_rate = h.u32be();
  const uint32_t channels = h.u32be();
  if (sample_rate < 1000 || sample_rate > 20'000'000 || channels < 1 || channels > 256)
    throw_data_error("AU header", 16, "impossible rate or channel count");

  const au_encoding* enc = nullptr;
  for (const auto& e : encodings)
    if (e.id == encoding_id) enc = &e;
  if (!enc) throw_data_error("AU header", 12, "unknown encoding");

  pcm_file_info info;
  stream_description& s = info.stream;
  s.data_offset_bytes = header_bytes;
  const uint64_t available = *file_size - header_bytes;
  s.data_length_bytes = data_size == data_size_unknown ? available : data_size;
  if (s.data_length_bytes > available) {
    logger.log(
        "File truncated, " + std::to_string(s.data_length_bytes - available) + " bytes missing",
        event_severity::warning);
    s.data_length_bytes = available;
  }
  if (enc->bits == 0 || enc->bits % 8 != 0)
    throw_data_error("AU header", 12, "encoding without whole-byte samples");
  s.sample_rate = sample_rate;
  s.channels = channels;
  s.bits_per_sample = enc->bits;
  s.encoding = enc->encoding;
  s.order = byte_order::big;
  s.block_align = enc->bits / 8 * channels;
  s.channel_mask = default_channel_mask(channels);
  s.data_length_bytes -= s.data_length_bytes % s.block_align;
  info.is_decodable = true;

  const uint32_t annotation_bytes = header_bytes - header_min_bytes;
  if (annotation_bytes > 0 && annotation_bytes < annotation_max_bytes) {
    const auto text = read_block(source, storage, annotation_bytes, "AU annotation", abort).rest();
    std::string comment;
    for (uint8_t c : text) {
      if (c == 0) break;
      // Annotations have no defined character set; keep them plain ASCII.
      comment += (c < 32 || c >= 128) ? '?' : static_cast<char>(c);
    }
    if (!comment.empty()) info.meta.emplace_back("comment", std::move(comment));
  }

  auto& t = info.technical;
  t.emplace_back("samplerate", std::to_string(sample_rate));
  t.emplace_back("channels", std::to_string(channels));
  t.emplace_back("bitspersample", std::to_string(enc->bits));
  t.emplace_back("bitrate",
                 std::to_string((uint64_t{sample_rate} * enc->bits * channels + 500) / 1000));
  t.emplace_back("codec", enc->codec);
  t.emplace_back("encoding", enc->is_lossy ? "lossy" : "lossless");
  info.length_seconds = static_cast<double>(s.data_length_bytes / s.block_align) / sample_rate;
  return info;
}

}  // namespace lumo::pcm
