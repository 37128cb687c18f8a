#include "fs/file_byte_source.h"

#include "core/exceptions.h"

namespace lumo {

file_byte_source::file_byte_source(file_ptr file, const abort_signal& abort)
    : file_(std::move(file)), position_(file_->get_position(abort)) {
  const uint64_t size = file_->get_size(abort);
  if (size != filesize_unknown) size_ = size;
}

size_t file_byte_source::read(void* buffer, size_t size, const abort_signal& abort) {
  const size_t got = file_->read(buffer, size, abort);
  position_ += got;
  return got;
}

void file_byte_source::seek(uint64_t position_bytes, const abort_signal& abort) {
  if (!file_->can_seek()) throw sonatrix_io::exception_io_object_not_seekable();
  // The file refuses positions past its end; reads there simply find nothing.
  file_->seek(size_ ? std::min(position_bytes, *size_) : position_bytes, abort);
  position_ = position_bytes;
}

}  // namespace lumo
