#pragma once
// The tags of files laid out like MP3 files: ID3v2 tags at the start, then the audio,
// then an APE tag and an ID3v1 tag at the end (each optional). The MPEG input's info
// reader and writer call these; the WAV and AIFF readers use the byte-range reader for
// their "id3 " chunks.
//
// Reading: the first ID3v2 tag gives the fields; fields of the tags at the end (APE, then
// ID3v1) only fill names the tags before did not set. "tagtype" names what was found in
// file order ("id3v2.3|apev2|id3v1"). A malformed ID3v2 tag is
// sonatrix_io::exception_io_data with the text "ID3v2 parse error (...)"; a malformed APE
// tag (an "APETAGEX" footer with a bad version or size, items past the tag) is the data
// error too.
//
// Writing: the new ID3v2 tag replaces the first one in place when it fits (see
// render_id3v2_tag); otherwise the whole file is rewritten through
// replace_file_atomically. The bytes between the leading tag and the trailing tags (the
// audio, and any further ID3v2 tags) are never changed. Any error before the file is
// opened for writing leaves it untouched.

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/abort.h"
#include "fs/file.h"
#include "meta/track_info_mutable.h"
#include "tags/tag_picture.h"

namespace lumo {

struct leading_id3v2_tags {
  uint32_t count = 0;            // consecutive ID3v2 tags at the start of the file
  uint64_t first_tag_bytes = 0;  // the first one, header and footer included
  uint64_t total_bytes = 0;      // all of them: where the audio starts
};

struct file_tag_layout {
  uint64_t file_bytes = 0;
  leading_id3v2_tags id3v2;
  // An APE tag (header included) before the ID3v1 tag or at the end; size 0 when none.
  uint64_t ape_offset = 0;
  uint64_t ape_bytes = 0;
  // "APETAGEX" stands where an APE footer would: the readers then insist on a valid tag.
  bool has_ape_footer = false;
  bool has_id3v1 = false;
  // Where the trailing tags begin (the end of the audio).
  uint64_t audio_end = 0;
};

// Counts the ID3v2 tags at the start of the file (a header the format forbids ends the
// count). Moves the file position.
leading_id3v2_tags count_leading_id3v2_tags(file& f, const abort_signal& abort);
// The whole layout. Moves the file position.
file_tag_layout scan_file_tags(file& f, const abort_signal& abort);

// Adds the fields of the ID3v2 tag that starts at bytes[0] (a chunk's payload, say) to
// out and sets "tagtype". base_offset is the bytes' place in the file for error texts.
// Returns the tag's size. A malformed tag is the data error.
uint64_t read_id3v2(std::span<const uint8_t> bytes, uint64_t base_offset, track_info_mutable& out);

// Reads every tag of the file into out (meta, ReplayGain, "tagtype"); returns the layout,
// whose id3v2.count the MPEG input warns about when above 1.
file_tag_layout read_file_tags(file& f, track_info_mutable& out, const abort_signal& abort);

// The pictures of the first ID3v2 tag, then those of the APE tag.
std::vector<tag_picture> read_file_pictures(file& f, const abort_signal& abort);
// The first picture of that kind, or nullopt (callers raise exception_album_art_not_found).
std::optional<tag_picture> find_album_art(file& f, album_art_kind kind, const abort_signal& abort);

struct tag_types {
  bool id3v2 = false;
  bool id3v1 = false;
  bool ape = false;
  bool any() const { return id3v2 || id3v1 || ape; }
};
// The types named by the "tagtype" info field ("id3v2.3|id3v1" and so on).
tag_types tag_types_of(const track_info& info);

struct file_tag_write {
  tag_types types;            // the tags the file gets; others are removed
  bool allow_padding = true;  // leave room for later edits (16384-byte wish)
  std::vector<picture_edit> pictures;
  // Where a rewrite builds the new file before it replaces the old one; empty: the
  // file's name + ".tmp".
  std::string temporary_url;
  // Called with the name of each step of the write; tests throw from it to interrupt a
  // write at that point.
  std::function<void(std::string_view step)> test_checkpoint;
};

// Writes info's tags into the file at url as described above: ID3v2 at the start, then
// APEv2 and ID3v1 at the end, each when request.types names it; tags of other types are
// removed.
// Returns true when the file was rewritten, false when it was written in place.
bool write_file_tags(std::string_view url, const track_info& info, const file_tag_write& request,
                     const abort_signal& abort);

// The same through f, open on url for writing (the caller's handle). A rewrite copies
// the audio from f into the new file, then calls release_file: the caller must close
// every handle it has on url, f included, which is not used again (Windows cannot
// replace a file held open); it reopens the file after the return. An in-memory f is
// rewritten in itself and never released.
bool write_file_tags(file& f, std::string_view url, const track_info& info,
                     const file_tag_write& request, const std::function<void()>& release_file,
                     const abort_signal& abort);

}  // namespace lumo
