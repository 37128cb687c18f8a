#include "meta/track_info_packed.h"

#include <array>
#include <cstring>
#include <new>
#include <optional>

#include "core/exceptions.h"
#include "meta/common_field_names.h"

// Layout of the block: the object itself, then one table of numbers, then the texts.
//
//   table, with M meta entries, I info entries, V meta values and S text slots:
//     [0, M)              meta name references
//     [M, 2M+1)           slot of each meta entry's first value; entry M holds V
//     [2M+1, 2M+1+I)      info name references
//     [2M+1+I, ... + S+1) byte offset of each slot in the text area; the last one is its size
//   texts, each followed by a zero byte:
//     slots [0, V) meta values in entry order, [V, V+I) info values, then copied names.
//
// A name reference with the top bit set is an index into the common-name table; otherwise
// it is a slot. Texts end where the next slot begins, so lengths cost no memory. The
// numbers are 16-bit when every one of them fits (a typical record has well under 64 KiB
// of text), halving the table; the rare record with a large text takes 32-bit numbers.

namespace lumo {

// The library keeps one of these per track; keep the fixed part small.
static_assert(sizeof(track_info_packed) <= 48);
static_assert(alignof(track_info_packed) >= alignof(uint32_t));

namespace {

constexpr uint32_t narrow_common_bit = 0x8000;
constexpr uint32_t wide_common_bit = 0x80000000;
constexpr uint64_t max_entries = 0xFFFF;

}  // namespace

size_t track_info_packed::table_entries() const {
  return 2 * size_t(meta_count_) + 1 + info_count_ + slot_count_ + 1;
}

uint32_t track_info_packed::table_at(size_t index) const {
  const void* table = this + 1;
  return is_wide_ ? static_cast<const uint32_t*>(table)[index]
                  : static_cast<const uint16_t*>(table)[index];
}

const char* track_info_packed::text() const {
  return reinterpret_cast<const char*>(this + 1) + table_entries() * (is_wide_ ? 4 : 2);
}

std::string_view track_info_packed::slot_text(uint32_t slot) const {
  size_t offsets = 2 * size_t(meta_count_) + 1 + info_count_;
  uint32_t begin = table_at(offsets + slot);
  uint32_t end = table_at(offsets + slot + 1);
  return {text() + begin, end - begin - 1};
}

std::string_view track_info_packed::name_at(uint32_t ref, bool is_meta) const {
  uint32_t common_bit = is_wide_ ? wide_common_bit : narrow_common_bit;
  if (ref & common_bit) {
    return (is_meta ? common_meta_names() : common_info_names())[ref & ~common_bit];
  }
  return slot_text(ref);
}

size_t track_info_packed::block_bytes() const {
  return sizeof(track_info_packed) + table_entries() * (is_wide_ ? 4 : 2) +
         table_at(table_entries() - 1);
}

size_t track_info_packed::text_bytes() const {
  return table_at(table_entries() - 1);
}

std::string_view track_info_packed::meta_name(size_t entry) const {
  if (entry >= meta_count_) throw_bad_index();
  return name_at(table_at(entry), true);
}

size_t track_info_packed::meta_value_count(size_t entry) const {
  if (entry >= meta_count_) throw_bad_index();
  return table_at(meta_count_ + entry + 1) - table_at(meta_count_ + entry);
}

std::string_view track_info_packed::meta_value(size_t entry, size_t value) const {
  if (entry >= meta_count_) throw_bad_index();
  uint32_t first = table_at(meta_count_ + entry);
  if (value >= table_at(meta_count_ + entry + 1) - first) throw_bad_index();
  return slot_text(first + static_cast<uint32_t>(value));
}

std::string_view track_info_packed::info_name(size_t entry) const {
  if (entry >= info_count_) throw_bad_index();
  return name_at(table_at(2 * size_t(meta_count_) + 1 + entry), false);
}

std::string_view track_info_packed::info_value(size_t entry) const {
  if (entry >= info_count_) throw_bad_index();
  return slot_text(value_count_ + static_cast<uint32_t>(entry));
}

void track_info_packed::release() const noexcept {
  if (refs_.fetch_sub(1, std::memory_order_acq_rel) == 1) {
    auto* self = const_cast<track_info_packed*>(this);
    self->~track_info_packed();
    ::operator delete(static_cast<void*>(self));
  }
}

track_info_packed::ptr track_info_packed::pack(const track_info& source) {
  // Pass 1: sizes. Everything is counted in 64 bits and checked before allocating.
  size_t meta_count = source.meta_count();
  size_t info_count = source.info_count();
  if (meta_count > max_entries || info_count > max_entries) {
    throw kel::exception_overflow("Too many fields in track information");
  }
  // The name lookups of pass 1 for a usual record, so pass 2 need not repeat them; name k
  // is meta entry k, or info entry k - meta_count.
  constexpr size_t cached_names = 64;
  constexpr uint8_t not_common = 0xFF;
  std::array<uint8_t, cached_names> name_cache;
  auto common_index = [&](size_t k, std::string_view name) -> std::optional<size_t> {
    if (k < cached_names && name_cache[k] != 0) {
      if (name_cache[k] == not_common) return std::nullopt;
      return name_cache[k] - 1;
    }
    auto found = find_common_name(k < meta_count ? common_meta_names() : common_info_names(), name);
    if (k < cached_names) name_cache[k] = found ? static_cast<uint8_t>(*found + 1) : not_common;
    return found;
  };
  name_cache.fill(0);

  uint64_t value_text_bytes = 0;
  uint64_t name_text_bytes = 0;
  uint64_t value_count = 0;
  uint64_t copied_names = 0;
  auto count_name = [&](size_t k, std::string_view name) {
    if (!common_index(k, name)) {
      name_text_bytes += name.size() + 1;
      ++copied_names;
    }
  };
  for (size_t i = 0; i < meta_count; ++i) {
    count_name(i, source.meta_name(i));
    size_t values = source.meta_value_count(i);
    value_count += values;
    for (size_t v = 0; v < values; ++v) value_text_bytes += source.meta_value(i, v).size() + 1;
  }
  for (size_t i = 0; i < info_count; ++i) {
    count_name(meta_count + i, source.info_name(i));
    value_text_bytes += source.info_value(i).size() + 1;
  }
  uint64_t text_bytes = value_text_bytes + name_text_bytes;
  uint64_t slot_count = value_count + info_count + copied_names;
  if (slot_count >= wide_common_bit || text_bytes > UINT32_MAX) {
    throw kel::exception_overflow("Track information too large");
  }
  bool is_wide = slot_count >= narrow_common_bit || text_bytes > UINT16_MAX;
  uint64_t entries = 2 * meta_count + 1 + info_count + slot_count + 1;
  uint64_t block = sizeof(track_info_packed) + entries * (is_wide ? 4 : 2) + text_bytes;

  // Pass 2: one allocation, then the tables and texts in the order of the layout above.
  void* memory = ::operator new(static_cast<size_t>(block));
  auto* packed = new (memory) track_info_packed();
  ptr result(packed);  // frees the block should the source throw below
  packed->meta_count_ = static_cast<uint16_t>(meta_count);
  packed->info_count_ = static_cast<uint16_t>(info_count);
  packed->value_count_ = static_cast<uint32_t>(value_count);
  packed->slot_count_ = static_cast<uint32_t>(slot_count);
  packed->is_wide_ = is_wide;
  packed->length_s_ = source.get_length();
  packed->replaygain_ = source.get_replaygain();

  void* table = packed + 1;
  auto set = [&](size_t pos, uint64_t v) {
    if (is_wide) {
      static_cast<uint32_t*>(table)[pos] = static_cast<uint32_t>(v);
    } else {
      static_cast<uint16_t*>(table)[pos] = static_cast<uint16_t>(v);
    }
  };
  const size_t offsets_pos = 2 * meta_count + 1 + info_count;
  char* text = static_cast<char*>(table) + entries * (is_wide ? 4 : 2);
  // Values fill the text area from the start, copied names from value_text_bytes on; each
  // run has its own slots and bytes.
  struct text_run {
    uint64_t slot, slot_end, pos, end;
  };
  text_run value_run{0, value_count + info_count, 0, value_text_bytes};
  text_run name_run{value_count + info_count, slot_count, value_text_bytes, text_bytes};
  auto put_text = [&](text_run& run, std::string_view s) {
    // A source that answers differently the second time must not write past the block.
    if (run.slot == run.slot_end || s.size() + 1 > run.end - run.pos) {
      throw kel::exception_bug_check("Track information changed while packing");
    }
    set(offsets_pos + run.slot++, run.pos);
    if (!s.empty()) std::memcpy(text + run.pos, s.data(), s.size());
    text[run.pos + s.size()] = '\0';
    run.pos += s.size() + 1;
  };
  uint32_t common_bit = is_wide ? wide_common_bit : narrow_common_bit;
  auto put_name = [&](size_t pos, size_t k, std::string_view name) {
    if (auto common = common_index(k, name)) {
      set(pos, common_bit | *common);
    } else {
      set(pos, name_run.slot);
      put_text(name_run, name);
    }
  };

  uint64_t first_value = 0;
  for (size_t i = 0; i < meta_count; ++i) {
    put_name(i, i, source.meta_name(i));
    set(meta_count + i, first_value);
    size_t values = source.meta_value_count(i);
    first_value += values;
    for (size_t v = 0; v < values; ++v) put_text(value_run, source.meta_value(i, v));
  }
  if (first_value != value_count) {
    throw kel::exception_bug_check("Track information changed while packing");
  }
  set(2 * meta_count, value_count);
  for (size_t i = 0; i < info_count; ++i) {
    put_name(2 * meta_count + 1 + i, meta_count + i, source.info_name(i));
    put_text(value_run, source.info_value(i));
  }
  set(offsets_pos + slot_count, text_bytes);
  return result;
}

}  // namespace lumo
