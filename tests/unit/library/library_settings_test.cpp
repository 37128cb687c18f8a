#include "library/library_settings.h"

#include <gtest/gtest.h>

#include "core/debug_output.h"

namespace lumo {
namespace {

std::string g_debug_text;
void capture_debug(std::string_view text) {
  g_debug_text += text;
}

int g_windows_calls = 0;
std::vector<std::string> fake_windows_folders() {
  ++g_windows_calls;
  return {"file://C:\\Users\\me\\Music", "D:\\Shared Music"};
}

TEST(LibrarySettings, EffectiveFolderList) {
  g_windows_calls = 0;
  folder_list_inputs in{{"E:\\Extra", "F:\\"}, false, true};
  EXPECT_EQ(
      make_effective_folder_list(in, fake_windows_folders),
      (std::vector<std::string>{"E:\\Extra", "F:\\", "C:\\Users\\me\\Music", "D:\\Shared Music"}));
  in.include_windows_folders = false;
  EXPECT_EQ(make_effective_folder_list(in, fake_windows_folders),
            (std::vector<std::string>{"E:\\Extra", "F:\\"}));

  // Portable library: "." after the additional folders, and the Windows library is not
  // consulted even with the option on.
  in.portable_library = true;
  in.include_windows_folders = true;
  EXPECT_EQ(make_effective_folder_list(in, fake_windows_folders),
            (std::vector<std::string>{"E:\\Extra", "F:\\", "."}));
  EXPECT_EQ(g_windows_calls, 1);
}

TEST(LibrarySettings, RootLocations) {
  EXPECT_EQ(folder_root_location("C:\\", ""), "file://C:\\");
  EXPECT_EQ(folder_root_location("D:\\Music\\", ""), "file://D:\\Music");
  EXPECT_EQ(folder_root_location("D:\\Music", ""), "file://D:\\Music");
  EXPECT_EQ(folder_root_location("\\\\", ""), "file://\\\\");
  EXPECT_EQ(folder_root_location("\\", ""), "file://\\");
  EXPECT_EQ(folder_root_location("\\\\server\\share\\", ""), "file://\\\\server\\share");
  EXPECT_EQ(folder_root_location(".", "E:\\Lumo\\"), "file://E:\\Lumo");
  EXPECT_EQ(folder_root_location(".", "E:\\"), "file://E:\\");
  EXPECT_EQ(folder_root_location("/", ""), "file:///");
  EXPECT_EQ(folder_root_location("/home/me/Music/", ""), "file:///home/me/Music");
}

TEST(LibrarySettings, FolderListEncoding) {
  std::vector<std::string> folders = {"C:\\Music", "", "D:\\M\xc3\xbcsik"};
  EXPECT_EQ(decode_folder_list(encode_folder_list(folders)), folders);
  std::vector<uint8_t> bytes = encode_folder_list(folders);
  bytes.resize(bytes.size() - 1);  // damaged: the complete entries survive
  EXPECT_EQ(decode_folder_list(bytes), (std::vector<std::string>{"C:\\Music", ""}));

  // A fresh profile has no stored list: empty, and no data error in the debug output.
  g_debug_text.clear();
  set_debug_output_sink(capture_debug);
  EXPECT_TRUE(decode_folder_list({}).empty());
  EXPECT_EQ(g_debug_text, "");
  EXPECT_EQ(decode_folder_list(bytes).size(), 2u);
  set_debug_output_sink(nullptr);
  EXPECT_NE(g_debug_text.find("library folder list"), std::string::npos);
}

}  // namespace
}  // namespace lumo
