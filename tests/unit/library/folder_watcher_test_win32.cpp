// A file another program holds open without sharing cannot be read until it lets go;
// nothing changes on disk when it does, so only the retry list brings the track in.
#include <windows.h>

#include <gtest/gtest.h>

#include "core/handle_win32.h"
#include "core/unicode.h"
#include "library/folder_watcher.h"
#include "library_test_support.h"

namespace lumo::testing {
namespace {

TEST(FolderWatcherWin32, FileHeldOpenIsRetriedUntilReleased) {
  test_folder dir;
  change_sink sink;
  auto w = make_watcher(root_of(dir), sink);
  w->start(0);
  ASSERT_TRUE(wait_until([&] { return w->is_running() && !w->is_indexing(); }));

  const std::string held = dir / "held.wav";
  unique_handle held_open(CreateFileW(to_wide(native_path(held)).c_str(), GENERIC_WRITE, 0, nullptr,
                                      CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(held_open.is_valid());
  HANDLE h = held_open.get();
  std::string wav = make_wav({"Held", "", "", ""});
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(h, wav.data(), static_cast<DWORD>(wav.size()), &written, nullptr));
  FlushFileBuffers(h);

  write_whole_file(dir / "seen.wav", make_wav({"Seen", "", "", ""}));
  ASSERT_TRUE(wait_until([&] { return sink.has(dir / "seen.wav"); }));
  EXPECT_FALSE(sink.has(held));
  held_open.reset();
  ASSERT_TRUE(wait_until([&] { return sink.has(held); }));
  EXPECT_EQ(sink.title_of(held), "Held");
  w->stop();
}

}  // namespace
}  // namespace lumo::testing
