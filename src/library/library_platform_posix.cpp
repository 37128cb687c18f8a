#include "library/library_platform.h"

#include "core/debug_output.h"
#include "library/library_settings.h"

namespace lumo {

std::vector<std::string> windows_music_folders() {
  return {};  // no Windows music library here: only the configured folders
}

bool platform_ask_retry_library_write(std::string_view message) {
  debug_output(std::string(library_write_error_title) + ": " + std::string(message) + "\n");
  return false;
}

}  // namespace lumo
