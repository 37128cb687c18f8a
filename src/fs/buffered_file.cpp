#include "fs/buffered_file.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace lumo {

namespace {

// The buffer holds the bytes [buffer_start_, buffer_start_ + buffer_length_) of the
// inner file. position_ is ours; the inner object's own position only matters when we
// call it, so it is brought in line just before each call that depends on it.
class buffered_file final : public file {
 public:
  explicit buffered_file(file_ptr inner)
      : inner_(std::move(inner)),
        // Not zeroed: only bytes read into it are ever copied out, and clearing 64 KiB per
        // opened file was a tenth of a library scan.
        buffer_(std::make_unique_for_overwrite<std::byte[]>(file_read_buffer_bytes)),
        position_(inner_->get_position(abort_none())) {}

  size_t read(void* buffer, size_t count_bytes, const abort_signal& abort) override {
    abort.check();
    // An empty read may come with a null buffer (an empty vector's data).
    if (count_bytes == 0) return 0;
    auto* out = static_cast<std::byte*>(buffer);
    // The common case of format readers: a small read wholly inside the buffer.
    if (position_ >= buffer_start_ && position_ - buffer_start_ <= buffer_length_ &&
        count_bytes <= buffer_length_ - (position_ - buffer_start_)) {
      std::memcpy(out, buffer_.get() + (position_ - buffer_start_), count_bytes);
      position_ += count_bytes;
      return count_bytes;
    }
    size_t done = 0;
    while (done < count_bytes) {
      if (position_ >= buffer_start_ && position_ < buffer_start_ + buffer_length_) {
        size_t offset = static_cast<size_t>(position_ - buffer_start_);
        size_t step = std::min(count_bytes - done, buffer_length_ - offset);
        std::memcpy(out + done, buffer_.get() + offset, step);
        done += step;
        position_ += step;
        continue;
      }
      sync_inner(abort);
      size_t remaining = count_bytes - done;
      if (remaining >= file_read_buffer_bytes) {
        // Large reads bypass the buffer: copying them through it would only cost time.
        size_t got = inner_->read(out + done, remaining, abort);
        done += got;
        position_ += got;
        if (got < remaining && got > 0) {
          // The read reached the end of the file: keep its last bytes, since readers of
          // small files (a frame walker, then the tag reader) come back for them.
          const size_t kept = std::min(got, file_read_buffer_bytes);
          std::memcpy(buffer_.get(), out + done - kept, kept);
          buffer_start_ = position_ - kept;
          buffer_length_ = kept;
        }
        break;
      }
      // At the end of the file the buffered bytes stay: readers that looked for more
      // often seek back into them.
      const size_t kept_length = buffer_length_;
      buffer_length_ = 0;  // a read that fails half way leaves nothing trusted behind
      size_t got = inner_->read(buffer_.get(), file_read_buffer_bytes, abort);
      if (got == 0) {
        buffer_length_ = kept_length;  // nothing was written over them
        break;
      }
      buffer_start_ = position_;
      buffer_length_ = got;
    }
    return done;
  }

  void write(const void* buffer, size_t count_bytes, const abort_signal& abort) override {
    abort.check();
    sync_inner(abort);
    buffer_length_ = 0;
    inner_->write(buffer, count_bytes, abort);
    position_ = inner_->get_position(abort);
  }

  uint64_t get_size(const abort_signal& abort) override {
    abort.check();
    return inner_->get_size(abort);
  }

  uint64_t get_position(const abort_signal& abort) override {
    abort.check();
    return position_;
  }

  void seek(uint64_t position, const abort_signal& abort) override {
    abort.check();
    // Inside (or at the end of) the buffered bytes the target is known to exist, so the
    // inner object need not check it; that keeps short back-and-forth seeks of format
    // readers free of system calls.
    if (position >= buffer_start_ && position <= buffer_start_ + buffer_length_ &&
        buffer_length_ > 0) {
      position_ = position;
      return;
    }
    inner_->seek(position, abort);
    position_ = position;
  }

  void resize(uint64_t size_bytes, const abort_signal& abort) override {
    abort.check();
    sync_inner(abort);
    buffer_length_ = 0;
    inner_->resize(size_bytes, abort);
    position_ = inner_->get_position(abort);
  }

  void flush(const abort_signal& abort) override { inner_->flush(abort); }

  uint64_t get_timestamp(const abort_signal& abort) override {
    abort.check();
    return inner_->get_timestamp(abort);
  }

  bool can_seek() const override { return inner_->can_seek(); }
  bool is_remote() const override { return inner_->is_remote(); }
  bool is_buffered() const override { return true; }

 private:
  void sync_inner(const abort_signal& abort) {
    if (inner_->get_position(abort) != position_) inner_->seek(position_, abort);
  }

  file_ptr inner_;
  std::unique_ptr<std::byte[]> buffer_;
  uint64_t buffer_start_ = 0;
  size_t buffer_length_ = 0;
  uint64_t position_;
};

}  // namespace

file_ptr wrap_buffered(file_ptr f) {
  if (f->is_in_memory() || f->is_buffered()) return f;
  return std::make_shared<buffered_file>(std::move(f));
}

}  // namespace lumo
