#include "ui/track_reader.h"

#include "core/abort.h"
#include "core/debug_output.h"
#include "input/input_open.h"

namespace lumo {

std::vector<listed_track> read_listed_tracks(const std::vector<std::string>& urls) {
  std::vector<listed_track> out;
  for (const std::string& url : urls) {
    try {
      std::shared_ptr<input_info_reader> reader =
          open_input_info_reader(url, nullptr, abort_none());
      track_info_mutable info;
      reader->get_info(0, info, abort_none());
      out.push_back({{url, 0}, make_track_summary(info)});
    } catch (const std::exception& e) {
      // Not every file handed over is playable (pictures, playlists in a dropped folder).
      debug_output("Not listed: " + url + " (" + e.what() + ")\n");
    }
  }
  return out;
}

}  // namespace lumo
