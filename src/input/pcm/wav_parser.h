#pragma once
// The WAV family: RIFF WAVE, RF64 (EBU Tech 3306, sizes in a "ds64" chunk) and Sony
// Wave64 (chunks named by GUIDs, 64-bit sizes).

#include "core/abort.h"
#include "fs/byte_source.h"
#include "input/event_logger.h"
#include "input/pcm/pcm_file_info.h"

namespace lumo::pcm {

// Parses the header from the start of source and leaves the source wherever parsing
// stopped. Throws exception_io_data for anything that is not a well-formed WAV.
pcm_file_info parse_wav(byte_source& source, event_logger& logger, const abort_signal& abort);

}  // namespace lumo::pcm
