#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "core/handle_win32.h"
#include "core/unicode.h"
#include "fs/atomic_replace.h"
#include "fs/file_system.h"
#include "test_folder.h"

using namespace lumo;
using lumo::testing::read_whole_file;
using lumo::testing::test_folder;
using lumo::testing::write_whole_file;
namespace io = sonatrix_io;

namespace {

const abort_signal& none = abort_none();

std::string upper(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

}  // namespace

TEST(LocalFileSystemWin32, CanonicalPathsRestoreTheSpellingOnDisk) {
  test_folder dir;
  std::string file_url = dir / "a.mp3";
  write_whole_file(file_url, "x");
  std::string path = file_url.substr(7);  // C:\users\...\a.mp3
  ASSERT_EQ(path[1], ':');

  std::string expected = *make_canonical_path(file_url);
  EXPECT_EQ(expected.substr(0, 10), "file://C:\\");
  EXPECT_TRUE(expected.ends_with("\\a.mp3")) << expected;

  // Three slashes and forward slashes; lower-case drive and upper-case names.
  std::string forward = path;
  for (char& c : forward)
    if (c == '\\') c = '/';
  EXPECT_EQ(make_canonical_path("file:///" + forward), expected);
  std::string shouted = "c" + upper(path.substr(1));
  EXPECT_EQ(make_canonical_path("file://" + shouted), expected);
  EXPECT_EQ(make_canonical_path(shouted), expected);  // a bare native path

  // Past the first missing component the rest stays as written.
  std::string missing =
      *make_canonical_path("file://" + upper(path.substr(0, path.size() - 5)) + "NoSuchDir\\B.MP3");
  EXPECT_EQ(missing, expected.substr(0, expected.size() - 5) + "NoSuchDir\\B.MP3");
  // Dots are resolved before anything is looked up.
  EXPECT_EQ(make_canonical_path(dir / "sub\\..\\A.MP3"), expected);
}

TEST(LocalFileSystemWin32, LongPathsOpenAndDotDotPathsPassUnchanged) {
  test_folder dir;
  const file_system& fs = find_file_system(dir.url());
  std::string folder = dir.url();
  while (folder.size() < 7 + 300) {
    folder += std::string(40, 'd') + "\\";
    fs.create_directory(folder);
  }
  std::string deep = folder + "long name.bin";
  ASSERT_GT(deep.size() - 7, 300u);
  write_whole_file(deep, "deep");
  EXPECT_EQ(read_whole_file(deep), "deep");
  EXPECT_TRUE(fs.exists(deep));
  EXPECT_EQ(fs.get_stats(deep).size, 4u);
  int count = 0;
  fs.list_directory(
      folder, [&](auto&, auto&) { return ++count, true; }, none);
  EXPECT_EQ(count, 1);

  // A "\..\" path is handed to Windows as written, which resolves it.
  fs.create_directory(dir / "sub");
  write_whole_file(dir / "sub\\..\\up.txt", "up");
  EXPECT_EQ(read_whole_file(dir / "up.txt"), "up");
}

TEST(LocalFileSystemWin32, DirectoriesByNameNeedNoSystemCall) {
  // Neither drive nor folder exists; the spelling alone answers.
  const file_system& fs = find_file_system("file://");
  EXPECT_TRUE(fs.directory_exists("file://Q:"));
  EXPECT_TRUE(fs.directory_exists("file://Q:\\no\\such\\folder\\"));
  EXPECT_FALSE(fs.directory_exists("file://Q:\\no\\such\\folder"));
  EXPECT_FALSE(fs.exists("file://Q:\\no\\such\\file"));
}

TEST(LocalFileSystemWin32, ListingEmptyAndMissingFolders) {
  test_folder dir;
  const file_system& fs = find_file_system(dir.url());
  int calls = 0;
  auto count = [&](auto&, auto&) { return ++calls, true; };
  fs.list_directory(dir.url(), count, none);
  EXPECT_EQ(calls, 0);
  EXPECT_THROW(fs.list_directory(dir / "missing", count, none), io::exception_io_not_found);
  write_whole_file(dir / "file", "");
  EXPECT_THROW(fs.list_directory(dir / "file", count, none), io::exception_io);
}

TEST(LocalFileSystemWin32, SharingFollowsTheOpenMode) {
  test_folder dir;
  std::string url = dir / "shared.bin";
  write_whole_file(url, "abc");
  {
    file_ptr writer = open_file(url, open_mode::write_existing, none);
    // Others may read while we write, if they let us write.
    unique_handle other(CreateFileW(to_wide("\\\\?\\" + url.substr(7)).c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                    nullptr));
    EXPECT_TRUE(other.is_valid());
    EXPECT_THROW(open_file(url, open_mode::write_existing, none),
                 io::exception_io_sharing_violation);
  }
  file_ptr reader = open_file(url, open_mode::read, none);
  EXPECT_THROW(open_file(url, open_mode::write_existing, none), io::exception_io_sharing_violation);
}

TEST(LocalFileSystemWin32, AtomicReplaceWaitsForAReaderToLetGo) {
  test_folder dir;
  std::string target = dir / "library.dat";
  write_whole_file(target, "old content");
  file_ptr reader = open_file(target, open_mode::read, none);

  std::atomic<bool> was_released{false};
  std::thread holder([&] {
    // Hold the file until the replacement has started, then about 120 ms more.
    while (!find_file_system(target).exists(target + ".tmp"))
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::this_thread::sleep_for(std::chrono::milliseconds(120));
    reader.reset();
    was_released = true;
  });
  auto start = std::chrono::steady_clock::now();
  try {
    replace_file_atomically(
        target, [](file& f, const abort_signal& abort) { f.write("new content", 11, abort); },
        none);
  } catch (const std::exception& e) {
    ADD_FAILURE() << "replacement failed: " << e.what();
  }
  auto waited = std::chrono::steady_clock::now() - start;
  holder.join();
  EXPECT_TRUE(was_released);
  EXPECT_GE(waited, std::chrono::milliseconds(100));
  EXPECT_EQ(read_whole_file(target), "new content");
  EXPECT_FALSE(find_file_system(target).exists(target + ".tmp"));
}

TEST(LocalFileSystemWin32, TemporaryFileVanishesOnClose) {
  wchar_t folder[MAX_PATH + 1];
  ASSERT_NE(GetTempPathW(MAX_PATH + 1, folder), 0u);
  auto count_omg = [&] {
    int n = 0;
    find_file_system("file://").list_directory(
        "file://" + from_wide(folder),
        [&](const directory_entry& e, const abort_signal&) {
          if (e.url.find("\\omg") != std::string::npos) ++n;
          return true;
        },
        none);
    return n;
  };
  int before = count_omg();
  file_ptr temp = open_file("tempfile://", open_mode::write_new, none);
  temp->write("scratch", 7, none);
  EXPECT_EQ(count_omg(), before + 1);
  temp.reset();
  EXPECT_EQ(count_omg(), before);
}
