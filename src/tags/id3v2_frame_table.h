#pragma once
// The one table between ID3v2 frames and track information fields; the reader uses it
// frame to field, the writer field to frame. Frames with rules of their own (TXXX, COMM,
// TCON, dates, POPM, APIC, WXXX, USLT) are handled beside it.

#include <array>
#include <string_view>

namespace lumo::id3 {

enum class frame_kind {
  single_text,  // one value, the whole text
  multi_text,   // each value of the frame is one value of the field
  number_pair,  // "n/total": field and second_field
  url,          // ISO-8859-1 link without an encoding byte
};

struct frame_mapping {
  std::string_view frame;
  std::string_view field;
  frame_kind kind;
  std::string_view second_field = {};
};

inline constexpr std::array<frame_mapping, 52> frame_table = {{
    {"TIT2", "title", frame_kind::single_text},
    {"TALB", "album", frame_kind::single_text},
    {"TIT3", "subtitle", frame_kind::single_text},
    {"TSST", "set subtitle", frame_kind::single_text},
    {"TSRC", "isrc", frame_kind::single_text},
    {"TENC", "encoded by", frame_kind::single_text},
    {"TOWN", "owner", frame_kind::single_text},
    {"TRSN", "radio station", frame_kind::single_text},
    {"TRSO", "radio station owner", frame_kind::single_text},
    {"TSSE", "encoding settings", frame_kind::single_text},
    {"TMED", "media type", frame_kind::single_text},
    {"TKEY", "initial key", frame_kind::single_text},
    {"TSOT", "titlesortorder", frame_kind::single_text},
    {"TSOA", "albumsortorder", frame_kind::single_text},
    {"GRP1", "iTunes grouping", frame_kind::single_text},
    {"MVNM", "movement name", frame_kind::single_text},
    {"TLAN", "language", frame_kind::single_text},
    // The writer picks TORY or TDOR by version; both read as the same field.
    {"TDOR", "original release date", frame_kind::single_text},
    {"TORY", "original release date", frame_kind::single_text},
    {"TRDA", "recording dates", frame_kind::single_text},
    {"TDRL", "release date", frame_kind::single_text},
    {"TIPL", "involved people", frame_kind::single_text},
    {"TMCL", "musician credits", frame_kind::single_text},
    {"TCOP", "copyright", frame_kind::single_text},
    {"TPUB", "publisher", frame_kind::single_text},
    {"TCMP", "itunescompilation", frame_kind::single_text},
    {"TBPM", "bpm", frame_kind::single_text},
    {"TPE1", "artist", frame_kind::multi_text},
    {"TPE2", "album artist", frame_kind::multi_text},
    {"TPE3", "conductor", frame_kind::multi_text},
    {"TPE4", "remixed by", frame_kind::multi_text},
    {"TCOM", "composer", frame_kind::multi_text},
    {"TEXT", "lyricist", frame_kind::multi_text},
    {"TOPE", "original artist", frame_kind::multi_text},
    {"TOAL", "original album", frame_kind::multi_text},
    {"TIT1", "grouping", frame_kind::multi_text},
    {"TSOP", "artistsortorder", frame_kind::multi_text},
    {"TSOC", "composersortorder", frame_kind::multi_text},
    {"TSO2", "albumartistsortorder", frame_kind::multi_text},
    {"TRCK", "tracknumber", frame_kind::number_pair, "totaltracks"},
    {"TPOS", "discnumber", frame_kind::number_pair, "totaldiscs"},
    {"MVIN", "movement index", frame_kind::number_pair, "movement count"},
    {"WOAF", "file webpage url", frame_kind::url},
    {"WOAR", "artist webpage url", frame_kind::url},
    {"WOAS", "source webpage url", frame_kind::url},
    {"WORS", "internet radio webpage url", frame_kind::url},
    {"WPAY", "payment url", frame_kind::url},
    {"WPUB", "publisher url", frame_kind::url},
    {"WCOM", "commercial information url", frame_kind::url},
    {"WCOP", "copyright url", frame_kind::url},
    // Lyrics have the comment layout; the text is the field.
    {"USLT", "unsynced lyrics", frame_kind::single_text},
    {"TDRC", "date", frame_kind::single_text},
}};

}  // namespace lumo::id3
