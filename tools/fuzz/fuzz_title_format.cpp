// Compiles arbitrary bytes as a script and evaluates it against a fixed library track
// and a fixed track_info: no crash, no hang, output bounded by the sink's cap.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "library/library_title_format_hook.h"
#include "meta/title_format.h"
#include "meta/track_info_mutable.h"
#include "meta/track_info_title_format_hook.h"

namespace {

// Small enough that scripts which multiply text stay quick under the sanitizers.
constexpr size_t max_output_bytes = 64 * 1024;

const lumo::track_summary& summary() {
  static const lumo::track_summary s = [] {
    return lumo::track_summary(
        245.5f, {"Song; Other", "Artist", "Album Artist", "Jazz", "Album", "3", "1", "2001-05-06"});
  }();
  return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  auto script = lumo::title_format_script::compile(input);

  static const lumo::track_location location{"file:///music/dir/01 file.flac", 1};
  lumo::library_title_format_hook library(summary(), location);
  std::string text;
  lumo::title_format_output out(text, max_output_bytes);
  script.evaluate(library, out);
  if (text.size() > max_output_bytes) std::abort();

  lumo::track_info_mutable info;
  info.meta_add_value("title", "T\tit\x03le");
  info.meta_add_value("artist", "A");
  info.meta_add_value("artist", "B");
  info.info_set("codec", "FLAC");
  info.set_length(3725);
  lumo::track_info_title_format_hook hook(info, &location);
  std::string text2;
  lumo::title_format_output out2(text2, max_output_bytes);
  script.evaluate(hook, out2);
  if (text2.size() > max_output_bytes) std::abort();
  return 0;
}
