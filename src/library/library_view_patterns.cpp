#include "library/library_view_patterns.h"

#include "core/exceptions.h"
#include "core/text_lookup.h"

namespace lumo {

namespace {

constexpr std::string_view artist_placeholder = "{artist}";

// Literal text as script text: runs between apostrophes are quoted, and each apostrophe
// is the quoted empty text, which stands for itself.
std::string quote_literal(std::string_view text) {
  std::string out;
  size_t pos = 0;
  while (pos < text.size()) {
    const size_t apostrophe = text.find('\'', pos);
    const size_t end = apostrophe == std::string_view::npos ? text.size() : apostrophe;
    if (end > pos) {
      out += '\'';
      out.append(text.substr(pos, end - pos));
      out += '\'';
    }
    if (apostrophe == std::string_view::npos) break;
    out += "''";
    pos = apostrophe + 1;
  }
  return out;
}

title_format_script compile_checked(const std::string& text) {
  title_format_script script = title_format_script::compile(text);
  if (!script.root() && !text.empty())
    throw kel::exception_bug_check_v2("Library view pattern does not compile: " + text);
  return script;
}

}  // namespace

std::string artist_suffix_script(std::string_view suffix_text, std::string_view field_reference) {
  const size_t at = suffix_text.find(artist_placeholder);
  if (at == std::string_view::npos)
    throw kel::exception_bug_check_v2("ui_view_artist_suffix lacks {artist}");
  return quote_literal(suffix_text.substr(0, at)) + std::string(field_reference) +
         quote_literal(suffix_text.substr(at + artist_placeholder.size()));
}

library_view_patterns library_view_patterns::compile() {
  return compile(lookup_text("ui_view_artist_suffix"));
}

library_view_patterns library_view_patterns::compile(std::string_view artist_suffix) {
  library_view_patterns p;
  p.track_line = compile_checked("[[%discnumber%.]%tracknumber%. ]%title%[" +
                                 artist_suffix_script(artist_suffix, "%track artist%") + "]");
  p.title = compile_checked("%title%");
  p.song_order =
      compile_checked("%album artist% - %album% - [[%discnumber%.]%tracknumber%. ]%title%");
  p.album_other_artist = compile_checked("ASDF\t%album%[ '['%date%']']" +
                                         artist_suffix_script(artist_suffix, "%album artist%"));
  p.album_one_artist = compile_checked("%date%\t%album%[ '['%date%']']");
  p.album_all_artists =
      compile_checked("%album artist% - %date%\t%album artist% - %album%[ '['%date%']']");
  p.album_artist = compile_checked("%album artist%");
  p.album = compile_checked("%album%");
  p.date = compile_checked("[%date%]");
  return p;
}

}  // namespace lumo
