#pragma once
// The IFF family: AIFF, AIFF-C (with its compression types) and the Amiga 8SVX and
// 16SV voice files.

#include "core/abort.h"
#include "fs/byte_source.h"
#include "input/event_logger.h"
#include "input/pcm/pcm_file_info.h"

namespace lumo::pcm {

// Parses the header from the start of source. Structural faults throw
// exception_io_data; sizes that run past the file are cut and reported to logger.
pcm_file_info parse_aiff(byte_source& source, event_logger& logger, const abort_signal& abort);

// An 80-bit IEEE extended big-endian value as a double; nullopt for NaN or infinity.
std::optional<double> load_extended_be(const uint8_t* bytes);

}  // namespace lumo::pcm
