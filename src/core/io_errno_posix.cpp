#include <cerrno>

#include "core/exceptions.h"

namespace sonatrix_io {

void throw_io_errno(int err) {
  switch (err) {
    case ENOENT:
    case ENOTDIR: throw_io_error(2);
    case EACCES:
    case EPERM: throw_io_error(5);
    case EROFS: throw_io_error(19);
    case EIO: throw_io_error(23);
    case EBUSY:
    case ETXTBSY: throw_io_error(32);
    case ENOSPC:
    case EDQUOT: throw_io_error(112);
    case EEXIST: throw_io_error(183);
    case ENAMETOOLONG: throw_io_error(111);
    case ENOTEMPTY: throw_io_error(145);
    // Reported with the errno value itself: there is no Win32 code that means the same.
    default: throw exception_io_win32_ex(static_cast<uint32_t>(err));
  }
}

}  // namespace sonatrix_io
