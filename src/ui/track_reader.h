#pragma once
// Reads what the window lists about files it is handed directly (command line, drops).

#include <string>
#include <vector>

#include "meta/track_info_mutable.h"
#include "ui/track_list_browser.h"

namespace lumo {

// One entry per playable file; files no input reads are left out. Main thread; the
// files are small reads of their headers and tags.
std::vector<listed_track> read_listed_tracks(const std::vector<std::string>& urls);

}  // namespace lumo
