#include "fs/memory_file.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

#include "core/exceptions.h"

namespace lumo {

namespace {

class memory_file final : public file {
 public:
  size_t read(void* buffer, size_t count_bytes, const abort_signal& abort) override {
    abort.check();
    if (position_ >= data_.size()) return 0;
    size_t step = std::min(count_bytes, data_.size() - position_);
    if (step) std::memcpy(buffer, data_.data() + position_, step);
    position_ += step;
    return step;
  }

  void write(const void* buffer, size_t count_bytes, const abort_signal& abort) override {
    abort.check();
    if (count_bytes > std::numeric_limits<size_t>::max() - position_)
      throw kel::exception_overflow();
    size_t end = position_ + count_bytes;
    if (end > data_.size()) data_.resize(end);
    if (count_bytes) std::memcpy(data_.data() + position_, buffer, count_bytes);
    position_ = end;
  }

  uint64_t get_size(const abort_signal& abort) override {
    abort.check();
    return data_.size();
  }

  uint64_t get_position(const abort_signal& abort) override {
    abort.check();
    return position_;
  }

  void seek(uint64_t position, const abort_signal& abort) override {
    abort.check();
    if (position > data_.size()) throw sonatrix_io::exception_io_seek_out_of_range();
    position_ = static_cast<size_t>(position);
  }

  void resize(uint64_t size_bytes, const abort_signal& abort) override {
    abort.check();
    if (size_bytes > std::numeric_limits<size_t>::max()) throw kel::exception_overflow();
    data_.resize(static_cast<size_t>(size_bytes));
    position_ = std::min(position_, data_.size());
  }

  uint64_t get_timestamp(const abort_signal& abort) override {
    abort.check();
    return filetimestamp_unknown;
  }

  bool is_in_memory() const override { return true; }

 private:
  std::vector<std::byte> data_;
  size_t position_ = 0;
};

}  // namespace

file_ptr make_memory_file() {
  return std::make_shared<memory_file>();
}

}  // namespace lumo
