#pragma once
// Sun/NeXT AU (".snd"): a big-endian header, an optional annotation, then the samples.

#include "core/abort.h"
#include "fs/byte_source.h"
#include "input/event_logger.h"
#include "input/pcm/pcm_file_info.h"

namespace lumo::pcm {

// Parses the header from the start of source. Needs the file length
// (exception_io_no_length otherwise); structural faults throw exception_io_data.
pcm_file_info parse_au(byte_source& source, event_logger& logger, const abort_signal& abort);

}  // namespace lumo::pcm
