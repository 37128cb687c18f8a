#include "library/library_database.h"

#include <cstring>
#include <limits>

#include "core/byte_cursor.h"
#include "core/exceptions.h"

namespace lumo {

namespace {

constexpr uint8_t k_magic[16] = {0x55, 0xC7, 0x65, 0x9F, 0xF6, 0x13, 0x14, 0x48,
                                 0xA9, 0xB1, 0xF1, 0xB6, 0xF7, 0xAD, 0x7F, 0xFC};
constexpr uint8_t k_terminator[16] = {0x94, 0x84, 0xEA, 0x9B, 0x45, 0x60, 0x45, 0x49,
                                      0x9A, 0xBC, 0x0B, 0x38, 0xAE, 0xC3, 0x91, 0x6A};
constexpr uint8_t k_tree_chunk[16] = {0xD0, 0x0A, 0xCA, 0xA5, 0x5D, 0xEA, 0x04, 0x4E,
                                      0xAA, 0x2C, 0xDD, 0x0A, 0x45, 0x02, 0x36, 0x6E};

std::string_view as_text(std::span<const uint8_t> b) {
  return {reinterpret_cast<const char*>(b.data()), b.size()};
}

bool equals(std::span<const uint8_t> b, const uint8_t (&id)[16]) {
  return b.size() == 16 && std::memcmp(b.data(), id, 16) == 0;
}

std::string_view read_string(byte_cursor& c) {
  uint32_t size = c.u32le();
  return as_text(c.bytes(size));
}

void put_string(std::string& out, std::string_view s) {
  if (s.size() > std::numeric_limits<uint32_t>::max()) throw kel::exception_overflow();
  put_le(out, s.size(), 4);
  out += s;
}

void encode_directory(std::string& out, const directory_node& node) {
  put_le(out, node.files.size(), 4);
  for (const auto& [name, entry] : node.files) {
    put_string(out, name);
    put_le(out, entry.stamp, 8);
    put_le(out, entry.handles.size(), 4);
    for (const track_handle_ptr& h : entry.handles) {
      put_le(out, h->location().subsong_index, 4);
      cached_summary cached = h->summary();
      // A summary read from another version of the file would be restored as current.
      bool has_info = cached.summary && cached.timestamp == entry.stamp;
      put_le(out, has_info ? 1 : 0, 4);
      if (has_info) encode_summary(out, *cached.summary);
    }
  }
  put_le(out, node.dirs.size(), 4);
  for (const auto& [name, child] : node.dirs) {
    put_string(out, name);
    encode_directory(out, *child);
  }
}

track_summary decode_summary(byte_cursor& c) {
  const float length = c.f32le();
  uint32_t blob_size = c.u32le();
  if (blob_size < summary_column_count) c.fail("summary blob shorter than eight strings");
  byte_cursor blob = c.sub(blob_size, "track summary");
  return track_summary::from_blob(length, blob);
}

void decode_directory(byte_cursor& c, directory_node& node, const std::string& url, size_t depth) {
  if (depth > database_max_depth) c.fail("directories nested too deeply");
  uint32_t file_count = c.u32le();
  for (uint32_t i = 0; i < file_count; ++i) {
    std::string name(read_string(c));
    file_entry entry;
    entry.stamp = c.u64le();
    uint32_t item_count = c.u32le();
    std::string file_url = join_path(url, name);
    bool all_have_info = true;
    for (uint32_t k = 0; k < item_count; ++k) {
      uint32_t subsong = c.u32le();
      uint32_t has_info = c.u32le();
      if (has_info > 1) c.fail("hasInfo is neither 0 nor 1");
      // The last item of a file takes the URL over; a file usually has one.
      track_handle_ptr h = k + 1 == item_count
                               ? get_track_handle(track_location{std::move(file_url), subsong})
                               : get_track_handle(track_location{file_url, subsong});
      if (has_info) {
        h->set_summary(std::make_shared<const track_summary>(decode_summary(c)), entry.stamp);
      } else {
        all_have_info = false;
      }
      entry.handles.push_back(std::move(h));
    }
    if (!all_have_info) entry.stamp = 0;
    // Written in name order, so the end is the right place (any place is still correct).
    node.files.insert_or_assign(node.files.end(), std::move(name), std::move(entry));
  }
  uint32_t dir_count = c.u32le();
  for (uint32_t i = 0; i < dir_count; ++i) {
    std::string name(read_string(c));
    auto child = std::make_unique<directory_node>();
    decode_directory(c, *child, join_path(url, name), depth + 1);
    node.dirs.insert_or_assign(node.dirs.end(), std::move(name), std::move(child));
  }
}

// Collects writes into a fixed buffer; the database writer patches sizes behind it.
class buffered_writer {
 public:
  buffered_writer(file& out, const abort_signal& abort) : out_(out), abort_(abort) {
    buffer_.reserve(database_write_buffer_bytes);
  }
  void write(std::string_view bytes) {
    if (buffer_.size() + bytes.size() > database_write_buffer_bytes) flush();
    if (bytes.size() >= database_write_buffer_bytes) {
      out_.write(bytes.data(), bytes.size(), abort_);
      position_ += bytes.size();
      return;
    }
    buffer_ += bytes;
    position_ += bytes.size();
  }
  void flush() {
    if (!buffer_.empty()) out_.write(buffer_.data(), buffer_.size(), abort_);
    buffer_.clear();
  }
  uint64_t position() const { return position_; }
  void patch_u32(uint64_t at, uint32_t value) {
    flush();
    std::string bytes;
    put_le(bytes, value, 4);
    out_.seek(at, abort_);
    out_.write(bytes.data(), bytes.size(), abort_);
    out_.seek(position_, abort_);
  }

 private:
  file& out_;
  const abort_signal& abort_;
  std::string buffer_;
  uint64_t position_ = 0;
};

}  // namespace

void encode_summary(std::string& out, const track_summary& summary) {
  uint32_t bits;
  static_assert(sizeof(bits) == sizeof(summary.length));
  std::memcpy(&bits, &summary.length, 4);
  put_le(out, bits, 4);
  const std::string_view blob = summary.blob();
  put_le(out, blob.size(), 4);  // the summary keeps its blob within 32 bits
  out += blob;
}

std::string encode_folder_state(const directory_node& root) {
  std::string tree;
  encode_directory(tree, root);
  if (tree.size() > std::numeric_limits<uint32_t>::max()) throw kel::exception_overflow();
  std::string out;
  out.reserve(tree.size() + 36);
  out.append(reinterpret_cast<const char*>(k_tree_chunk), 16);
  put_le(out, tree.size(), 4);
  out += tree;
  out.append(reinterpret_cast<const char*>(k_terminator), 16);
  return out;
}

std::unique_ptr<directory_node> decode_folder_state(std::span<const uint8_t> state,
                                                    uint64_t file_offset,
                                                    const std::string& root_url) {
  byte_cursor c(state, "library folder state", file_offset);
  auto root = std::make_unique<directory_node>();
  for (;;) {
    std::span<const uint8_t> id = c.bytes(16);
    if (equals(id, k_terminator)) break;
    uint32_t size = c.u32le();
    if (!c.has(size)) c.fail("chunk reaches past the end of the folder state");
    byte_cursor chunk = c.sub(size, "library tree chunk");
    if (!equals(id, k_tree_chunk)) continue;  // a chunk of a later version: not ours
    auto tree = std::make_unique<directory_node>();
    decode_directory(chunk, *tree, root_url, 0);
    if (!chunk.at_end()) chunk.fail("bytes after the root directory record");
    root = std::move(tree);
  }
  return root;
}

std::map<std::string, database_window> read_database_windows(
    std::shared_ptr<const std::vector<uint8_t>> file_bytes) {
  byte_cursor c(*file_bytes, "library file");
  if (c.has(16) && !equals(c.peek(16), k_magic)) c.fail("not a library file");
  c.skip(16);
  std::map<std::string, database_window> windows;
  uint32_t count = c.u32le();
  for (uint32_t i = 0; i < count; ++i) {
    std::string key(read_string(c));
    uint32_t state_size = c.u32le();
    uint64_t start = c.position();
    if (start > std::numeric_limits<uint64_t>::max() - state_size) throw kel::exception_overflow();
    c.skip(state_size);
    windows.insert_or_assign(std::move(key), database_window{file_bytes, start, state_size});
  }
  return windows;
}

void write_database(file& out, const std::vector<database_folder_writer>& folders,
                    const abort_signal& abort) {
  buffered_writer w(out, abort);
  w.write(as_text(k_magic));
  std::string head;
  if (folders.size() > std::numeric_limits<uint32_t>::max()) throw kel::exception_overflow();
  put_le(head, folders.size(), 4);
  w.write(head);
  for (const database_folder_writer& folder : folders) {
    head.clear();
    put_string(head, folder.key);
    w.write(head);
    uint64_t size_at = w.position();
    w.write(std::string_view("\0\0\0\0", 4));
    uint64_t start = w.position();
    std::string state = folder.make_state();
    w.write(state);
    uint64_t size = w.position() - start;
    if (size > std::numeric_limits<uint32_t>::max()) throw kel::exception_overflow();
    w.patch_u32(size_at, static_cast<uint32_t>(size));
  }
  w.flush();
  out.resize(w.position(), abort);
}

}  // namespace lumo
