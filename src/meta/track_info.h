#pragma once
// The track information record: what every format reader reports about a track and what
// the library, title formatting, the properties dialog, tag writers and playback read.
//
//  - meta fields: user-visible tags; each entry is a name with one or more ordered values;
//  - info fields: technical properties from the reader, one value per name;
//  - length in seconds (0 when unknown) and the ReplayGain values.
//
// track_info is the read interface shared by the mutable record (track_info_mutable.h)
// and the packed one (track_info_packed.h). Names are looked up ignoring case
// (field_name.h); a stored name keeps the spelling it was first added with. Texts are
// UTF-8. Returned views stay valid while the record lives and is not modified.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "meta/replaygain_info.h"

namespace lumo {

// Meta field names used throughout the program (the canonical spelling is lower case);
// readers add any other field under the name its tag format gives it.
namespace meta_names {
inline constexpr std::string_view title = "title";
inline constexpr std::string_view artist = "artist";
inline constexpr std::string_view album = "album";
inline constexpr std::string_view album_artist = "album artist";
inline constexpr std::string_view date = "date";
inline constexpr std::string_view genre = "genre";
inline constexpr std::string_view composer = "composer";
inline constexpr std::string_view performer = "performer";
inline constexpr std::string_view tracknumber = "tracknumber";
inline constexpr std::string_view totaltracks = "totaltracks";
inline constexpr std::string_view discnumber = "discnumber";
inline constexpr std::string_view totaldiscs = "totaldiscs";
inline constexpr std::string_view publisher = "publisher";
inline constexpr std::string_view comment = "comment";
}  // namespace meta_names

// Info field names; units in the comments.
namespace info_names {
inline constexpr std::string_view codec = "codec";                  // e.g. "PCM"
inline constexpr std::string_view codec_profile = "codec_profile";  // codec variant
inline constexpr std::string_view bitrate = "bitrate";              // kbit/s, integer
inline constexpr std::string_view samplerate = "samplerate";        // Hz, integer
inline constexpr std::string_view channels = "channels";            // integer
inline constexpr std::string_view bitspersample = "bitspersample";  // source bit depth
inline constexpr std::string_view bitspersample_extra = "bitspersample_extra";
inline constexpr std::string_view decoded_bitspersample = "decoded_bitspersample";
inline constexpr std::string_view encoding = "encoding";  // "lossless" or "lossy"
inline constexpr std::string_view tagtype = "tagtype";
inline constexpr std::string_view tool = "tool";
}  // namespace info_names

// Joins the values of a multi-value field where one text is shown.
inline constexpr std::string_view multi_value_separator = "; ";

class track_info {
 public:
  // "Not found" from the find operations (all ones).
  static constexpr size_t npos = static_cast<size_t>(-1);

  virtual ~track_info() = default;

  virtual double get_length() const = 0;  // seconds, 0 when unknown
  virtual replaygain_info get_replaygain() const = 0;

  // Entry and value indexes must be in range; an index out of range is a bug.
  virtual size_t meta_count() const = 0;
  virtual std::string_view meta_name(size_t entry) const = 0;
  virtual size_t meta_value_count(size_t entry) const = 0;  // >= 1
  virtual std::string_view meta_value(size_t entry, size_t value) const = 0;

  virtual size_t info_count() const = 0;
  virtual std::string_view info_name(size_t entry) const = 0;
  virtual std::string_view info_value(size_t entry) const = 0;
  // Entry index of the info field of that name (any case), or npos.
  virtual size_t info_find(std::string_view name) const;

  // Convenience lookups by name (any case), built on the operations above.
  size_t meta_find(std::string_view name) const;  // entry index or npos
  bool meta_exists(std::string_view name) const { return meta_find(name) != npos; }
  // The value at that index of the named field; empty when the field or index is absent.
  std::optional<std::string_view> meta_find_value(std::string_view name, size_t value = 0) const;
  // All values of the named field joined with "; "; empty when absent.
  std::string meta_joined(std::string_view name) const;
  std::string meta_joined(size_t entry) const;
  std::optional<std::string_view> info_find_value(std::string_view name) const;

 protected:
  // An entry or value index out of range is a caller's bug: kel::exception_bug_check.
  [[noreturn]] static void throw_bad_index();

  track_info() = default;
  track_info(const track_info&) = default;
  track_info& operator=(const track_info&) = default;
};

}  // namespace lumo
