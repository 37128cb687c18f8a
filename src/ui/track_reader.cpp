#include "ui/track_reader.h"

#include "core/abort.h"
#include "core/debug_output.h"
#include "input/input_open.h"

namespace lumo {

track_summary summarize_track_info(const track_info& info) {
  track_summary s;
  s.length = info.get_length();
  for (size_t c = 0; c < summary_column_count; ++c)
    s.columns[c] = info.meta_joined(summary_column_names[c]);
  return s;
}

std::vector<listed_track> read_listed_tracks(const std::vector<std::string>& urls) {
  std::vector<listed_track> out;
  for (const std::string& url : urls) {
    try {
      std::shared_ptr<input_info_reader> reader =
          open_input_info_reader(url, nullptr, abort_none());
      track_info_mutable info;
      reader->get_info(0, info, abort_none());
      out.push_back({{url, 0}, summarize_track_info(info)});
    } catch (const std::exception& e) {
      // Not every file handed over is playable (pictures, playlists in a dropped folder).
      debug_output("Not listed: " + url + " (" + e.what() + ")\n");
    }
  }
  return out;
}

}  // namespace lumo
