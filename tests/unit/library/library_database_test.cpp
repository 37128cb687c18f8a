#include "library/library_database.h"

#include <gtest/gtest.h>

#include <cstring>

#include "core/byte_cursor.h"
#include "fs/file_system.h"

namespace lumo {
namespace {

const std::string k_magic("\x55\xC7\x65\x9F\xF6\x13\x14\x48\xA9\xB1\xF1\xB6\xF7\xAD\x7F\xFC", 16);
const std::string k_terminator("\x94\x84\xEA\x9B\x45\x60\x45\x49\x9A\xBC\x0B\x38\xAE\xC3\x91\x6A",
                               16);
const std::string k_tree_id("\xD0\x0A\xCA\xA5\x5D\xEA\x04\x4E\xAA\x2C\xDD\x0A\x45\x02\x36\x6E", 16);

std::string u32(uint32_t v) {
  std::string s;
  put_le(s, v, 4);
  return s;
}
std::string str(std::string_view s) {
  return u32(static_cast<uint32_t>(s.size())) + std::string(s);
}

std::shared_ptr<const std::vector<uint8_t>> bytes_of(std::string_view s) {
  return std::make_shared<const std::vector<uint8_t>>(s.begin(), s.end());
}

std::string file_with(const std::vector<std::pair<std::string, std::string>>& folders) {
  std::string out = k_magic + u32(static_cast<uint32_t>(folders.size()));
  for (const auto& [key, state] : folders) out += str(key) + str(state);
  return out;
}

std::unique_ptr<directory_node> decode(std::string_view state, const std::string& root) {
  std::vector<uint8_t> bytes(state.begin(), state.end());
  return decode_folder_state(bytes, 0, root);
}

std::string summary_record(float length, std::string_view blob) {
  std::string s;
  uint32_t bits;
  std::memcpy(&bits, &length, 4);
  put_le(s, bits, 4);
  return s + str(blob);
}

// A tree chunk holding one file with one item whose summary record is given.
std::string one_file_state(std::string_view summary) {
  std::string tree = u32(1) + str("a.wav") + std::string(8, '\x07') + u32(1) + u32(0) + u32(1) +
                     std::string(summary) + u32(0);
  return k_tree_id + str(tree) + k_terminator;
}

TEST(LibraryDatabase, FileEdgeCases) {
  EXPECT_TRUE(read_database_windows(bytes_of(k_magic + u32(0))).empty());
  std::string wrong = k_magic;
  wrong[15] ^= 1;
  EXPECT_THROW(read_database_windows(bytes_of(wrong + u32(0))), sonatrix_io::exception_io_data);
  EXPECT_THROW(read_database_windows(bytes_of("")), sonatrix_io::exception_io_data);

  // The window covers exactly the state; a second record with the same key replaces it.
  auto windows = read_database_windows(
      bytes_of(file_with({{"C:\\Music", "xyz"}, {"D:\\", ""}, {"C:\\Music", k_terminator}})));
  ASSERT_EQ(windows.size(), 2u);
  EXPECT_EQ(windows["C:\\Music"].size, 16u);
  EXPECT_EQ(windows["D:\\"].size, 0u);
  std::string before_second = k_magic + u32(3) + str("C:\\Music") + str("xyz") + str("D:\\") +
                              u32(0) + str("C:\\Music") + u32(16);
  EXPECT_EQ(windows["C:\\Music"].offset, before_second.size());
}

TEST(LibraryDatabase, FolderStateEdgeCases) {
  // Only the terminator: an empty tree.
  EXPECT_TRUE(decode(k_terminator, "file:///m")->empty());
  // Nothing at all: the terminator is missing.
  EXPECT_THROW(decode("", "file:///m"), sonatrix_io::exception_io_data);

  // A chunk of another id before the tree chunk is skipped.
  std::string unknown(16, '\x42');
  std::string state = unknown + str("whatever bytes") +
                      one_file_state(summary_record(2.5f, std::string("T\0A\0\0G\0Al\0"
                                                                      "1\0"
                                                                      "2\0D\0",
                                                                      16)));
  std::unique_ptr<directory_node> tree = decode(state, "file:///m");
  ASSERT_EQ(tree->files.size(), 1u);
  const file_entry& e = tree->files.at("a.wav");
  EXPECT_EQ(e.stamp, 0x0707070707070707u);
  ASSERT_EQ(e.handles.size(), 1u);
  EXPECT_EQ(e.handles[0]->location().path, join_path("file:///m", "a.wav"));
  cached_summary s = e.handles[0]->summary();
  ASSERT_TRUE(s.summary);
  EXPECT_EQ(s.timestamp, e.stamp);
  EXPECT_FLOAT_EQ(s.summary->length, 2.5f);
  EXPECT_EQ(s.summary->column(summary_column::artist), "A");
  EXPECT_EQ(s.summary->column(summary_column::album_artist), "");
  EXPECT_EQ(s.summary->column(summary_column::date), "D");

  // A chunk reaching past the end of the state.
  EXPECT_THROW(decode(k_tree_id + u32(1000) + "x", "file:///m"), sonatrix_io::exception_io_data);

  // Summary blobs: too short, seven or nine strings, no final NUL.
  for (std::string blob : {std::string("\0\0\0\0\0\0\0", 7), std::string("a\0\0\0\0\0\0\0", 8),
                           std::string(9, '\0'), std::string("\0\0\0\0\0\0\0\0x", 9)}) {
    EXPECT_THROW(decode(one_file_state(summary_record(1, blob)), "file:///m"),
                 sonatrix_io::exception_io_data)
        << blob.size();
  }
  EXPECT_NO_THROW(decode(one_file_state(summary_record(1, std::string(8, '\0'))), "file:///m"));

  // Nesting beyond the limit is damage, not a stack overflow.
  std::string deep;
  for (size_t i = 0; i < database_max_depth + 2; ++i) deep += u32(0) + u32(1) + str("d");
  EXPECT_THROW(decode(k_tree_id + str(deep) + k_terminator, "file:///m"),
               sonatrix_io::exception_io_data);
}

// What a decode error says, or "" when the state loads.
std::string decode_error(std::string_view state) {
  try {
    decode(state, "file:///m");
  } catch (const sonatrix_io::exception_io_data& e) {
    return e.what();
  }
  return "";
}

TEST(LibraryDatabase, SummaryColumnsRoundTrip) {
  const std::string long_text(70000, 'L');  // past what 16-bit offsets would hold
  const std::string huge(1 << 20, '\xc3');
  const std::vector<track_summary> summaries = {
      track_summary(),
      track_summary(1, {"a", "", "", "", "", "", "", "z"}),
      track_summary(2, {"Title", "A; B", "Various; Artists; Here", "Rock; Pop", "Album", "03", "1",
                        "1999-01-02"}),
      track_summary(3, {"\xe6\x97\xa5\xe6\x9c\xac", "Bj\xc3\xb6rk", "\xf0\x9f\x8e\xb5", "",
                        "\xc3\x89"
                        "bauche",
                        "", "", ""}),
      track_summary(4, {long_text, huge, long_text, huge, long_text, huge, long_text, huge}),
  };
  auto root = std::make_unique<directory_node>();
  for (size_t i = 0; i < summaries.size(); ++i) {
    const std::string name = std::to_string(i) + ".mp3";
    track_handle_ptr h = get_track_handle({join_path("file:///r", name), 0});
    h->set_summary(std::make_shared<const track_summary>(summaries[i]), 5);
    file_entry& e = root->files[name];
    e.stamp = 5;
    e.handles.push_back(h);
  }
  const std::string state = encode_folder_state(*root);
  root.reset();  // the restored handles are new ones
  std::unique_ptr<directory_node> back = decode(state, "file:///r");
  ASSERT_EQ(back->files.size(), summaries.size());
  for (size_t i = 0; i < summaries.size(); ++i) {
    const file_entry& e = back->files.at(std::to_string(i) + ".mp3");
    ASSERT_EQ(e.handles.size(), 1u);
    cached_summary s = e.handles[0]->summary();
    ASSERT_TRUE(s.summary);
    EXPECT_EQ(*s.summary, summaries[i]) << i;
    for (size_t c = 0; c < summary_column_count; ++c)
      EXPECT_EQ(s.summary->column(summary_column(c)), summaries[i].column(summary_column(c)))
          << i << " " << c;
  }
  EXPECT_EQ(encode_folder_state(*back), state);

  // The record is the length and the blob exactly as the file has it.
  std::string record;
  encode_summary(record, summaries[2]);
  std::string blob;
  for (std::string_view c :
       {"Title", "A; B", "Various; Artists; Here", "Rock; Pop", "Album", "03", "1", "1999-01-02"}) {
    blob += c;
    blob += '\0';
  }
  EXPECT_EQ(record, summary_record(2, blob));
}

TEST(LibraryDatabase, DamagedSummaryBlobsNameTheirProblem) {
  // The blob of one_file_state's summary starts at byte 61 of the state.
  auto error_of = [](std::string_view blob) {
    return decode_error(one_file_state(summary_record(1, blob)));
  };
  EXPECT_EQ(error_of(std::string(8, '\0')), "");
  const struct {
    std::string blob;
    std::string context;
  } cases[] = {
      {std::string(7, '\0'),
       "library tree chunk at byte 61: summary blob shorter than eight strings"},
      {std::string(""), "library tree chunk at byte 61: summary blob shorter than eight strings"},
      {std::string("a\0\0\0\0\0\0\0", 8), "track summary at byte 69: fewer than eight strings"},
      {std::string("\0\0\0\0\0\0\0x", 8),
       "track summary at byte 68: text without its terminating zero"},
      {std::string(9, '\0'), "track summary at byte 69: bytes after the eighth string"},
      {std::string("\0\0\0\0\0\0\0\0xyz", 11),
       "track summary at byte 69: bytes after the eighth string"},
  };
  for (const auto& c : cases) {
    const std::string error = error_of(c.blob);
    EXPECT_NE(error.find("(" + c.context + ")"), std::string::npos) << error;
  }
  // A blob size past the end of the record is the truncation error.
  std::string state = one_file_state(summary_record(1, std::string(8, '\0')));
  state[59] = 1;  // in the blob's size field: 64 KiB more than there is
  EXPECT_THROW(decode(state, "file:///m"), sonatrix_io::exception_io_data_truncation);
}

// A generated tree: Unicode names, a deep chain, several subsongs, files without tracks.
std::unique_ptr<directory_node> sample_tree(const std::string& root) {
  auto tree = std::make_unique<directory_node>();
  auto add_file = [&](directory_node& node, const std::string& url, const std::string& name,
                      uint64_t stamp, uint32_t subsongs) {
    file_entry& e = node.files[name];
    e.stamp = stamp;
    for (uint32_t i = 0; i < subsongs; ++i) {
      track_handle_ptr h = get_track_handle({join_path(url, name), i});
      auto s = std::make_shared<track_summary>();
      s->length = 60.5f + static_cast<float>(i);
      s->set_column(summary_column::title, name + " #" + std::to_string(i));
      s->set_column(summary_column::artist, "Bj\xc3\xb6rk; \xe5\xb0\x8f\xe6\xb3\xbd");
      h->set_summary(s, stamp);
      e.handles.push_back(h);
    }
  };
  add_file(*tree, root, "\xe6\x97\xa5\xe6\x9c\xac.wav", 11, 1);
  add_file(*tree, root, "cover.jpg", 12, 0);
  add_file(*tree, root, "image.flac", 13, 3);
  directory_node* node = tree.get();
  std::string url = root;
  for (int depth = 0; depth < 60; ++depth) {
    std::string name = "d\xc3\xa9p" + std::to_string(depth);
    auto& child = node->dirs[name];
    child = std::make_unique<directory_node>();
    node = child.get();
    url = join_path(url, name);
    add_file(*node, url, "t.aiff", 100 + depth, 1);
  }
  return tree;
}

void expect_same(const directory_node& a, const directory_node& b) {
  ASSERT_EQ(a.files.size(), b.files.size());
  for (const auto& [name, e] : a.files) {
    const file_entry& f = b.files.at(name);
    EXPECT_EQ(e.stamp, f.stamp) << name;
    ASSERT_EQ(e.handles.size(), f.handles.size());
    for (size_t i = 0; i < e.handles.size(); ++i) {
      EXPECT_EQ(e.handles[i], f.handles[i]);  // one handle per location
      EXPECT_EQ(*e.handles[i]->summary().summary, *f.handles[i]->summary().summary);
    }
  }
  ASSERT_EQ(a.dirs.size(), b.dirs.size());
  for (const auto& [name, d] : a.dirs) expect_same(*d, *b.dirs.at(name));
}

TEST(LibraryDatabase, RoundTripThroughTheWriter) {
  const std::string root_a = "file:///music/a", root_b = "file:///music/b";
  std::unique_ptr<directory_node> a = sample_tree(root_a), b = sample_tree(root_b);

  file_ptr f = open_file("tempmem://", open_mode::write_new, abort_none());
  write_database(*f,
                 {{"/music/a", [&] { return encode_folder_state(*a); }},
                  {"/music/b\xe2\x82\xac", [&] { return encode_folder_state(*b); }}},
                 abort_none());
  auto bytes = std::make_shared<std::vector<uint8_t>>(f->get_size(abort_none()));
  f->seek(0, abort_none());
  f->read_exact(bytes->data(), bytes->size(), abort_none());
  ASSERT_GT(bytes->size(), database_write_buffer_bytes / 4);

  auto windows = read_database_windows(bytes);
  ASSERT_EQ(windows.size(), 2u);
  const database_window& wa = windows.at("/music/a");
  expect_same(*a, *decode_folder_state(wa.bytes(), wa.offset, root_a));
  const database_window& wb = windows.at("/music/b\xe2\x82\xac");
  expect_same(*b, *decode_folder_state(wb.bytes(), wb.offset, root_b));

  // A summary read from another version of the file is not stored as this one's.
  file_entry& first = a->files.at("image.flac");
  first.handles[0]->set_summary(first.handles[0]->summary().summary, first.stamp + 1);
  std::unique_ptr<directory_node> again = decode(encode_folder_state(*a), root_a);
  const file_entry& restored = again->files.at("image.flac");
  EXPECT_EQ(restored.stamp, 0u);  // read again at the next scan
  EXPECT_EQ(restored.handles[0]->summary().timestamp, first.stamp + 1);  // left alone
}

TEST(LibraryDatabase, TruncationAtEveryOffsetIsTheDataError) {
  std::unique_ptr<directory_node> tree = sample_tree("file:///t");
  tree->dirs.clear();  // small: every offset is tried
  std::string state = encode_folder_state(*tree);
  std::string whole = file_with({{"/t", state}, {"/u", k_terminator}});
  auto load_all = [](std::string_view bytes) {
    auto windows = read_database_windows(bytes_of(bytes));
    for (const auto& [key, w] : windows) decode_folder_state(w.bytes(), w.offset, "file://" + key);
    return windows.size();
  };
  EXPECT_EQ(load_all(whole), 2u);
  for (size_t cut = 0; cut < whole.size(); ++cut)
    EXPECT_THROW(load_all(std::string_view(whole).substr(0, cut)), sonatrix_io::exception_io_data)
        << "cut at " << cut;
  // Damage inside the state, too: every single-byte change either loads or is the data
  // error (never a crash or a hang).
  for (size_t at = 0; at < state.size(); ++at) {
    std::string broken = state;
    broken[at] = static_cast<char>(broken[at] ^ 0xFF);
    try {
      decode(broken, "file:///t");
    } catch (const sonatrix_io::exception_io_data&) {
    }
  }
}

}  // namespace
}  // namespace lumo
