#include "fs/file_system.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "test_folder.h"

using namespace lumo;
using lumo::testing::test_folder;
namespace io = sonatrix_io;

namespace {

const abort_signal& none = abort_none();

std::vector<directory_entry> list(const std::string& url) {
  std::vector<directory_entry> entries;
  find_file_system(url).list_directory(
      url,
      [&](const directory_entry& e, const abort_signal&) {
        entries.push_back(e);
        return true;
      },
      none);
  std::sort(entries.begin(), entries.end(),
            [](const auto& a, const auto& b) { return a.url < b.url; });
  return entries;
}

}  // namespace

TEST(FileSystem, SchemesAreClaimedAndOthersRefused) {
  EXPECT_THROW(find_file_system("http://example/a.mp3"), io::exception_io_no_handler_for_path);
  EXPECT_THROW(find_file_system("C:\\Music\\a.mp3"), io::exception_io_no_handler_for_path);
  EXPECT_THROW(open_file("ftp://x", open_mode::read, none), io::exception_io_no_handler_for_path);
  // The local prefix is case-sensitive, the temporary ones are not.
  EXPECT_THROW(find_file_system("FILE://x"), io::exception_io_no_handler_for_path);
  EXPECT_EQ(find_file_system("file://x").display_path("file://x"), "x");
  EXPECT_EQ(find_file_system("TempMem://").display_path("TempMem://"), "<temporary memory space>");
  EXPECT_EQ(find_file_system("tempfile://").display_path("tempfile://"), "<temporary file>");
  EXPECT_EQ(make_canonical_path("tempmem://"), "tempmem://");
  EXPECT_EQ(make_canonical_path("http://example/"), std::nullopt);
  EXPECT_EQ(find_file_system("file://").canonical_path("tempmem://"), std::nullopt);
}

TEST(FileSystem, TemporarySchemesOpenOnlyNewAndWholeUrls) {
  EXPECT_THROW(open_file("tempfile://", open_mode::read, none), io::exception_io_denied);
  EXPECT_THROW(open_file("tempfile://", open_mode::write_existing, none), io::exception_io_denied);
  try {
    open_file("tempfile://name", open_mode::write_new, none);
    ADD_FAILURE() << "a name after tempfile:// was accepted";
  } catch (const io::exception_io_denied&) {
    ADD_FAILURE() << "a name after tempfile:// is not a permission problem";
  } catch (const io::exception_io&) {
  }
  EXPECT_THROW(open_file("tempmem://", open_mode::read, none), io::exception_io);
  EXPECT_THROW(open_file("tempmem://x", open_mode::write_new, none), io::exception_io);
  EXPECT_THROW(find_file_system("tempmem://")
                   .list_directory(
                       "tempmem://", [](auto&, auto&) { return true; }, none),
               io::exception_io);

  file_ptr temp = open_file("TEMPFILE://", open_mode::write_new, none);
  EXPECT_TRUE(temp->is_buffered());
  std::string text(100000, 'q');
  temp->write(text.data(), text.size(), none);
  temp->seek(99990, none);
  std::string tail(10, '\0');
  temp->read_exact(tail.data(), tail.size(), none);
  EXPECT_EQ(tail, std::string(10, 'q'));
  // Two temporary files are two files.
  file_ptr other = open_file("tempfile://", open_mode::write_new, none);
  EXPECT_EQ(other->get_size(none), 0u);
}

TEST(LocalFileSystem, ItemsExistMoveAndGo) {
  test_folder dir;
  const file_system& fs = find_file_system(dir.url());
  std::string sub = dir / "sub";
  EXPECT_FALSE(fs.directory_exists(sub));
  fs.create_directory(sub);
  EXPECT_TRUE(fs.directory_exists(sub));
  EXPECT_FALSE(fs.exists(sub));
  EXPECT_THROW(fs.create_directory(sub), io::exception_io_already_exists);

  std::string a = dir / "a.txt", b = sub + "/b.txt";
  b = dir / "sub" + std::string(1, dir.url().back()) + "b.txt";
  EXPECT_FALSE(fs.exists(a));
  lumo::testing::write_whole_file(a, "12345");
  EXPECT_TRUE(fs.exists(a));
  EXPECT_FALSE(fs.directory_exists(a));
  file_stats stats = fs.get_stats(a);
  EXPECT_EQ(stats.size, 5u);
  EXPECT_NE(stats.timestamp, filetimestamp_unknown);
  EXPECT_TRUE(stats.is_writable);
  lumo::testing::set_read_only(a, true);
  EXPECT_FALSE(fs.get_stats(a).is_writable);
  lumo::testing::set_read_only(a, false);
  EXPECT_THROW(fs.get_stats(dir / "missing"), io::exception_io_not_found);

  fs.move(a, b);
  EXPECT_FALSE(fs.exists(a));
  EXPECT_EQ(lumo::testing::read_whole_file(b), "12345");
  lumo::testing::write_whole_file(a, "new");
  EXPECT_THROW(fs.move(a, b), io::exception_io_already_exists);
  fs.replace(a, b);
  EXPECT_EQ(lumo::testing::read_whole_file(b), "new");
  EXPECT_THROW(fs.remove(sub), io::exception_io_directory_not_empty);
  fs.remove(b);
  fs.remove(sub);
  EXPECT_FALSE(fs.directory_exists(sub));
  EXPECT_THROW(fs.remove(sub), io::exception_io_not_found);
}

TEST(LocalFileSystem, ListingReportsFilesAndFolders) {
  test_folder dir;
  const file_system& fs = find_file_system(dir.url());
  EXPECT_TRUE(list(dir.url()).empty());
  EXPECT_THROW(list(dir / "missing"), io::exception_io_not_found);
  EXPECT_THROW(fs.list_directory(
                   "tempmem://", [](auto&, auto&) { return true; }, none),
               io::exception_io);

  fs.create_directory(dir / "folder");
  lumo::testing::write_whole_file(dir / "one.mp3", "1");
  lumo::testing::write_whole_file(dir / ".hidden", "22");
  // The folder URL without its trailing separator lists the same.
  std::string bare = dir.url().substr(0, dir.url().size() - 1);
  auto entries = list(bare);
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].url, dir / ".hidden");
  EXPECT_FALSE(entries[0].is_folder);
  EXPECT_EQ(entries[0].stats.size, 2u);
  EXPECT_NE(entries[0].stats.timestamp, filetimestamp_unknown);
  EXPECT_EQ(entries[1].url, dir / "folder");
  EXPECT_TRUE(entries[1].is_folder);
  EXPECT_EQ(entries[1].stats.size, filesize_unknown);
  EXPECT_EQ(entries[1].stats.timestamp, filetimestamp_unknown);
  EXPECT_EQ(entries[2].url, dir / "one.mp3");
  EXPECT_EQ(entries[2].stats.size, 1u);

  int calls = 0;
  fs.list_directory(
      dir.url(), [&](auto&, auto&) { return ++calls < 2; }, none);
  EXPECT_EQ(calls, 2);
}
