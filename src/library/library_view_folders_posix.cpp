#include "library/library_view_folders.h"

#include <cstdlib>

namespace lumo {

known_music_folders get_known_music_folders() {
  const char* home = std::getenv("HOME");
  known_music_folders known;
  if (home && *home) known.user_music = std::string(home) + "/Music";
  return known;
}

}  // namespace lumo
