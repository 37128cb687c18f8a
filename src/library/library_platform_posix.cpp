#include "library/library_platform.h"

#include "library/library_settings.h"

namespace lumo {

std::vector<std::string> windows_music_folders() {
  return {};  // no Windows music library here: only the configured folders
}

}  // namespace lumo
