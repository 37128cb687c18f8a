#pragma once
// Failures shared by every format handler. exception_io_data and
// exception_io_unsupported_format live with the rest of the I/O family in core.

#include "core/exceptions.h"

namespace sonatrix_io {

LUMO_DECLARE_EXCEPTION(exception_tagging_unsupported, exception_io_data,
                       "Tagging of this file format is not supported");
LUMO_DECLARE_EXCEPTION(exception_album_art_unsupported_format, exception_io_data,
                       "Attached picture operations not supported for this file format");
LUMO_DECLARE_EXCEPTION(exception_album_art_unsupported_entry, exception_io_data,
                       "Unsupported attached picture entry");
LUMO_DECLARE_EXCEPTION(exception_album_art_not_found, exception_io_not_found,
                       "Attached picture not found");

}  // namespace sonatrix_io

namespace sonatrix_io {

// A network stream failed; the MPEG decoder reopens and resumes on it.
LUMO_DECLARE_EXCEPTION(exception_io_net, exception_io, "Network error");

}  // namespace sonatrix_io
