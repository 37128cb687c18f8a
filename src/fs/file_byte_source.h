#pragma once
// A byte_source over an open file of the file system layer.

#include "fs/byte_source.h"
#include "fs/file.h"

namespace lumo {

class file_byte_source final : public byte_source {
 public:
  file_byte_source(file_ptr file, const abort_signal& abort);
  size_t read(void* buffer, size_t size, const abort_signal& abort) override;
  void seek(uint64_t position_bytes, const abort_signal& abort) override;
  uint64_t position() const override { return position_; }
  std::optional<uint64_t> size() const override { return size_; }
  bool can_seek() const override { return file_->can_seek(); }
  const file_ptr& file() const { return file_; }

 private:
  file_ptr file_;
  uint64_t position_;
  std::optional<uint64_t> size_;
};

}  // namespace lumo
