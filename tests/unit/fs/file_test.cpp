#include "fs/file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "fs/buffered_file.h"
#include "fs/file_system.h"
#include "fs/memory_file.h"
#include "test_folder.h"

using namespace lumo;
using lumo::testing::test_folder;
namespace io = sonatrix_io;

namespace {

const abort_signal& none = abort_none();

std::string read_string(file& f, size_t count) {
  std::string out(count, '\0');
  out.resize(f.read(out.data(), count, none));
  return out;
}

}  // namespace

TEST(LocalFile, OpenModes) {
  test_folder dir;
  std::string url = dir / "a.bin";
  EXPECT_THROW(open_file(url, open_mode::read, none), io::exception_io_not_found);
  EXPECT_THROW(open_file(url, open_mode::write_existing, none), io::exception_io_not_found);
  EXPECT_THROW(open_file(url, static_cast<open_mode>(7), none), kel::exception_invalid_params);

  lumo::testing::write_whole_file(url, "hello world");
  file_ptr reader = open_file(url, open_mode::read, none);
  EXPECT_TRUE(reader->is_buffered());
  EXPECT_TRUE(reader->can_seek());
  EXPECT_FALSE(reader->is_remote());
  EXPECT_EQ(read_string(*reader, 5), "hello");
  EXPECT_THROW(reader->write("x", 1, none), io::exception_io_denied);
  EXPECT_THROW(reader->resize(1, none), io::exception_io_denied);
  EXPECT_NE(reader->get_timestamp(none), filetimestamp_unknown);
  reader.reset();

  file_ptr editor = open_file(url, open_mode::write_existing, none);
  editor->seek(6, none);
  editor->write("WORLD", 5, none);
  editor.reset();
  EXPECT_EQ(lumo::testing::read_whole_file(url), "hello WORLD");

  // Mode 2 truncates what was there.
  file_ptr fresh = open_file(url, open_mode::write_new, none);
  EXPECT_EQ(fresh->get_size(none), 0u);
  fresh.reset();
  EXPECT_THROW(open_file(dir.url(), open_mode::read, none), io::exception_io);
}

TEST(LocalFile, SeekReadAndTruncateRules) {
  test_folder dir;
  std::string content(100, '\0');
  for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>('a' + i % 26);
  lumo::testing::write_whole_file(dir / "f", content);
  file_ptr f = open_file(dir / "f", open_mode::write_existing, none);

  f->seek(100, none);  // exactly the end
  EXPECT_EQ(f->get_position(none), 100u);
  EXPECT_EQ(read_string(*f, 10), "");
  EXPECT_THROW(f->seek(101, none), io::exception_io_seek_out_of_range);

  f->seek_ex(-10, seek_origin::end, none);
  EXPECT_EQ(f->get_position(none), 90u);
  f->seek_ex(5, seek_origin::current, none);
  EXPECT_EQ(f->get_position(none), 95u);
  EXPECT_THROW(f->seek_ex(-1, seek_origin::start, none), io::exception_io_seek_out_of_range);
  EXPECT_THROW(f->seek_ex(6, seek_origin::current, none), io::exception_io_seek_out_of_range);
  EXPECT_THROW(f->seek_ex(0, static_cast<seek_origin>(3), none), io::exception_io_data);
  EXPECT_EQ(f->get_position(none), 95u);

  // Short read only at the end; read exact turns it into truncation.
  EXPECT_EQ(read_string(*f, 10), content.substr(95));
  f->seek(95, none);
  char buffer[10];
  EXPECT_THROW(f->read_exact(buffer, 10, none), io::exception_io_data_truncation);

  // Truncating below the position moves it to the new end; growing leaves it alone.
  f->seek(95, none);
  f->truncate(50, none);
  EXPECT_EQ(f->get_size(none), 50u);
  EXPECT_EQ(f->get_position(none), 50u);
  f->resize(80, none);
  EXPECT_EQ(f->get_size(none), 80u);
  EXPECT_EQ(f->get_position(none), 50u);
  f->write("!", 1, none);
  f->reopen(none);
  EXPECT_EQ(f->get_position(none), 0u);
  EXPECT_EQ(f->reader().skip(1000, none), 80u);
  f->reopen(none);
  EXPECT_THROW(f->reader().skip_exact(81, none), io::exception_io_data_truncation);
  f->reopen(none);
  std::string back = read_string(*f, 200);
  EXPECT_EQ(back.size(), 80u);
  EXPECT_EQ(back.substr(0, 50), content.substr(0, 50));
  EXPECT_EQ(back[50], '!');
  EXPECT_EQ(back.substr(51), std::string(29, '\0'));
}

TEST(LocalFile, SetAbortSignalStopsEveryOperation) {
  test_folder dir;
  lumo::testing::write_whole_file(dir / "f", "data");
  abort_source aborted;
  aborted.abort();
  EXPECT_THROW(open_file(dir / "f", open_mode::read, aborted), kel::exception_aborted);
  EXPECT_THROW(find_file_system(dir.url()).list_directory(
                   dir.url(), [](auto&, auto&) { return true; }, aborted),
               kel::exception_aborted);
  for (file_ptr f : {open_file(dir / "f", open_mode::write_existing, none), make_memory_file()}) {
    char c;
    EXPECT_THROW(f->read(&c, 1, aborted), kel::exception_aborted);
    EXPECT_THROW(f->write(&c, 1, aborted), kel::exception_aborted);
    EXPECT_THROW(f->get_size(aborted), kel::exception_aborted);
    EXPECT_THROW(f->get_position(aborted), kel::exception_aborted);
    EXPECT_THROW(f->seek(0, aborted), kel::exception_aborted);
    EXPECT_THROW(f->seek_ex(0, seek_origin::start, aborted), kel::exception_aborted);
    EXPECT_THROW(f->resize(0, aborted), kel::exception_aborted);
    EXPECT_THROW(f->get_timestamp(aborted), kel::exception_aborted);
  }
  EXPECT_EQ(lumo::testing::read_whole_file(dir / "f"), "data");
}

// The buffer must be invisible: a random mix of small and large reads, writes, seeks
// and resizes through it gives the same bytes as the same mix on a memory file.
TEST(BufferedFile, BehavesLikeAnUnbufferedFile) {
  test_folder dir;
  file_ptr disk = open_file(dir / "f", open_mode::write_new, none);
  file_ptr model = make_memory_file();
  ASSERT_TRUE(disk->is_buffered());
  EXPECT_EQ(wrap_buffered(disk), disk);
  EXPECT_EQ(wrap_buffered(model), model);

  // Empty reads and writes, with the null buffer of an empty vector, change nothing.
  for (const file_ptr& f : {disk, model}) {
    EXPECT_EQ(f->read(nullptr, 0, none), 0u);
    f->write(nullptr, 0, none);
    EXPECT_EQ(f->get_position(none), 0u);
    EXPECT_EQ(f->get_size(none), 0u);
  }

  std::mt19937 random(1234);
  std::vector<char> pattern(300000);
  for (auto& c : pattern) c = static_cast<char>(random());
  disk->write(pattern.data(), pattern.size(), none);
  model->write(pattern.data(), pattern.size(), none);
  for (const file_ptr& f : {disk, model}) {
    f->seek(100, none);
    EXPECT_EQ(f->read(nullptr, 0, none), 0u);
    EXPECT_EQ(f->get_position(none), 100u);
  }

  auto pick = [&](uint64_t limit) { return limit ? random() % (limit + 1) : 0; };
  std::vector<char> a(200000), b(200000);
  for (int step = 0; step < 2000; ++step) {
    uint64_t size = model->get_size(none);
    ASSERT_EQ(disk->get_size(none), size);
    switch (random() % 8) {
      case 0:
      case 1:
      case 2: {
        size_t count = random() % 3 == 0 ? pick(150000) : pick(40);
        size_t got = disk->read(a.data(), count, none);
        ASSERT_EQ(got, model->read(b.data(), count, none)) << "step " << step;
        ASSERT_EQ(0, std::memcmp(a.data(), b.data(), got)) << "step " << step;
        break;
      }
      case 3:
      case 4: {
        uint64_t target = pick(size);
        disk->seek(target, none);
        model->seek(target, none);
        break;
      }
      case 5: {
        size_t count = pick(random() % 2 ? 20 : 70000);
        disk->write(pattern.data() + step, count, none);
        model->write(pattern.data() + step, count, none);
        break;
      }
      case 6: {
        uint64_t target = pick(size + 1000);
        disk->resize(target, none);
        model->resize(target, none);
        break;
      }
      case 7: EXPECT_THROW(disk->seek(size + 1, none), io::exception_io_seek_out_of_range); break;
    }
    ASSERT_EQ(disk->get_position(none), model->get_position(none)) << "step " << step;
  }
}

TEST(MemoryFile, GrowsAndKeepsTheFileRules) {
  file_ptr f = open_file("tempmem://", open_mode::write_new, none);
  EXPECT_TRUE(f->is_in_memory());
  EXPECT_FALSE(f->is_buffered());
  for (uint32_t i = 0; i < 100000; ++i) f->write(&i, sizeof i, none);
  EXPECT_EQ(f->get_size(none), 400000u);
  f->seek(4 * 777, none);
  uint32_t value = 0;
  f->read_exact(&value, sizeof value, none);
  EXPECT_EQ(value, 777u);
  EXPECT_THROW(f->seek(400001, none), io::exception_io_seek_out_of_range);
  f->seek(400000, none);
  f->truncate(8, none);
  EXPECT_EQ(f->get_position(none), 8u);
  EXPECT_EQ(f->get_timestamp(none), filetimestamp_unknown);
  // Writing past the end after a seek to the end extends the file.
  f->write("xy", 2, none);
  EXPECT_EQ(f->get_size(none), 10u);
}
