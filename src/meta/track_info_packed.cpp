#include "meta/track_info_packed.h"

#include <cstring>
#include <new>

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

namespace {

constexpr uint32_t narrow_common_bit = 0x8000;
constexpr uint32_t wide_common_bit = 0x80000000;
constexpr uint64_t max_entries = 0xFFFF;

struct name_plan {
  std::optional<size_t> common;  // index in the common-name table
  std::string_view text;
};

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

size_t track_info_packed::text_bytes() const { return table_at(table_entries() - 1); }

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
  std::vector<name_plan> names;
  names.reserve(meta_count + info_count);
  uint64_t text_bytes = 0;
  uint64_t value_count = 0;
  uint64_t copied_names = 0;
  for (size_t i = 0; i < meta_count; ++i) {
    std::string_view name = source.meta_name(i);
    names.push_back({find_common_name(common_meta_names(), name), name});
    size_t values = source.meta_value_count(i);
    value_count += values;
    for (size_t v = 0; v < values; ++v) text_bytes += source.meta_value(i, v).size() + 1;
  }
  for (size_t i = 0; i < info_count; ++i) {
    std::string_view name = source.info_name(i);
    names.push_back({find_common_name(common_info_names(), name), name});
    text_bytes += source.info_value(i).size() + 1;
  }
  for (const name_plan& n : names) {
    if (!n.common) {
      text_bytes += n.text.size() + 1;
      ++copied_names;
    }
  }
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
  size_t table_pos = 0;
  auto put = [&](uint64_t v) {
    if (is_wide) {
      static_cast<uint32_t*>(table)[table_pos++] = static_cast<uint32_t>(v);
    } else {
      static_cast<uint16_t*>(table)[table_pos++] = static_cast<uint16_t>(v);
    }
  };
  uint32_t common_bit = is_wide ? wide_common_bit : narrow_common_bit;
  const size_t offsets_pos = 2 * meta_count + 1 + info_count;
  char* text = static_cast<char*>(table) + entries * (is_wide ? 4 : 2);
  uint32_t text_pos = 0;
  uint32_t slot = 0;
  auto put_text = [&](std::string_view s) {
    // A source that answers differently the second time must not write past the block.
    if (s.size() + 1 > text_bytes - text_pos) {
      throw kel::exception_bug_check("Track information changed while packing");
    }
    size_t saved = table_pos;
    table_pos = offsets_pos + slot++;
    put(text_pos);
    table_pos = saved;
    if (!s.empty()) std::memcpy(text + text_pos, s.data(), s.size());
    text[text_pos + s.size()] = '\0';
    text_pos += static_cast<uint32_t>(s.size() + 1);
  };

  // Copied names take the slots after all values, in the order of the names.
  uint32_t next_name_slot = static_cast<uint32_t>(value_count + info_count);
  auto put_name_ref = [&](const name_plan& n) {
    put(n.common ? (common_bit | *n.common) : next_name_slot++);
  };
  for (size_t i = 0; i < meta_count; ++i) put_name_ref(names[i]);
  uint64_t first_value = 0;
  for (size_t i = 0; i < meta_count; ++i) {
    put(first_value);
    first_value += source.meta_value_count(i);
  }
  put(first_value);
  for (size_t i = 0; i < info_count; ++i) put_name_ref(names[meta_count + i]);

  for (size_t i = 0; i < meta_count; ++i) {
    size_t values = source.meta_value_count(i);
    for (size_t v = 0; v < values; ++v) put_text(source.meta_value(i, v));
  }
  for (size_t i = 0; i < info_count; ++i) put_text(source.info_value(i));
  for (const name_plan& n : names) {
    if (!n.common) put_text(n.text);
  }
  table_pos = offsets_pos + slot;
  put(text_pos);
  return result;
}

}  // namespace lumo
