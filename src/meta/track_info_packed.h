#pragma once
// The immutable, compact form of a track information record that long-lived holders
// (the library, cached track handles) keep for tens of thousands of tracks. One heap
// block holds everything: the object, its entry tables and the copied texts. Names in
// the common-name tables (common_field_names.h) are not copied; the record refers to
// the shared constants. Shared between threads through ptr; reading is thread-safe.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "meta/track_info.h"

namespace lumo {

class track_info_packed final : public track_info {
 public:
  // A shared reference to a packed record (atomic count); copying it never copies the
  // record.
  class ptr {
   public:
    ptr() = default;
    ptr(const ptr& other) noexcept : p_(other.p_) {
      if (p_) p_->add_ref();
    }
    ptr(ptr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ptr& operator=(ptr other) noexcept {
      std::swap(p_, other.p_);
      return *this;
    }
    ~ptr() {
      if (p_) p_->release();
    }
    const track_info_packed* get() const { return p_; }
    const track_info_packed& operator*() const { return *p_; }
    const track_info_packed* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

   private:
    friend class track_info_packed;
    explicit ptr(const track_info_packed* p) : p_(p) {}
    const track_info_packed* p_ = nullptr;
  };

  // Packs any record. Throws kel::exception_overflow when the texts exceed the record's
  // size limits (4 GiB of text, 65535 entries), std::bad_alloc when out of memory.
  static ptr pack(const track_info& source);

  track_info_packed(const track_info_packed&) = delete;
  track_info_packed& operator=(const track_info_packed&) = delete;

  double get_length() const override { return length_s_; }
  replaygain_info get_replaygain() const override { return replaygain_; }
  size_t meta_count() const override { return meta_count_; }
  std::string_view meta_name(size_t entry) const override;
  size_t meta_value_count(size_t entry) const override;
  std::string_view meta_value(size_t entry, size_t value) const override;
  size_t info_count() const override { return info_count_; }
  std::string_view info_name(size_t entry) const override;
  std::string_view info_value(size_t entry) const override;

  // Size of the one heap block, in bytes, and how many of them are copied text
  // (values and uncommon names, each with a terminating zero).
  size_t block_bytes() const;
  size_t text_bytes() const;

 private:
  track_info_packed() = default;
  ~track_info_packed() override = default;
  void add_ref() const noexcept { refs_.fetch_add(1, std::memory_order_relaxed); }
  void release() const noexcept;

  // The tables after the object hold 16-bit numbers when the texts are small enough
  // (the usual case) and 32-bit ones otherwise; see track_info_packed.cpp.
  uint32_t table_at(size_t index) const;
  size_t table_entries() const;
  const char* text() const;
  std::string_view slot_text(uint32_t slot) const;
  std::string_view name_at(uint32_t ref, bool is_meta) const;

  mutable std::atomic<uint32_t> refs_{1};
  uint16_t meta_count_ = 0;
  uint16_t info_count_ = 0;
  uint32_t value_count_ = 0;      // meta values, all entries
  uint32_t slot_count_ : 31 = 0;  // texts in the block: values and copied names
  uint32_t is_wide_ : 1 = 0;      // 32-bit tables
  double length_s_ = 0;
  replaygain_info replaygain_;
};

}  // namespace lumo
