#include "versions.h"

#include <FLAC/format.h>
#include <mpc/mpcdec.h>
#include <mpg123.h>
#include <neaacdec.h>
#include <ogg/ogg.h>
#include <opus/opus.h>
#include <vorbis/codec.h>
#include <wavpack/wavpack.h>

std::vector<std::pair<std::string, std::string>> codec_library_versions() {
  char* faad_id = nullptr;
  char* faad_copyright = nullptr;
  NeAACDecGetVersion(&faad_id, &faad_copyright);
  // libogg, libmpg123 (before 1.32) and libmpcdec have no version query; for them we
  // report the version of the package the linked library was built from.
  return {
      {"libFLAC", FLAC__VERSION_STRING},
      {"libvorbis", vorbis_version_string()},
      {"libopus", opus_get_version_string()},
      {"libogg", std::string(LUMO_OGG_VERSION) + " (build)"},
      {"libmpg123", std::string(LUMO_MPG123_VERSION) + " (build, API " +
                        std::to_string(MPG123_API_VERSION) + ")"},
      {"libfaad2", faad_id ? faad_id : "unknown"},
      {"libwavpack", WavpackGetLibraryVersionString()},
      {"libmpcdec", std::string(LUMO_MPCDEC_VERSION) + " (build)"},
  };
}
