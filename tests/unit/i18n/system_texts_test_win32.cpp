#include <windows.h>

#include <gtest/gtest.h>

#include "core/unicode.h"
#include "i18n/language_loader.h"

namespace lumo {
namespace {

std::string system_message(DWORD code) {
  wchar_t buffer[512];
  DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                           code, 0, buffer, 512, nullptr);
  std::string text = from_wide(std::wstring_view(buffer, n));
  for (char& c : text)
    if (c == '\r' || c == '\n' || c == '\t') c = ' ';
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

TEST(system_texts, missing_file_error_texts_come_from_the_system) {
  auto t = parse_language_document(
      "<?xml version=\"1.0\"?><localization name=\"t\">"
      "<entry id=\"exception_io_not_found\" text=\"Mine\"/></localization>");
  fill_system_texts(*t);
  ASSERT_FALSE(system_message(5).empty());
  EXPECT_EQ(t->entries.at("exception_io_denied"), system_message(5));
  EXPECT_EQ(t->entries.at("exception_io_sharing_violation"), system_message(32));
  EXPECT_EQ(t->entries.at("exception_io_not_found"), "Mine");  // the document's own stays
  for (const auto& [id, text] : t->entries) {
    EXPECT_EQ(text.find_first_of("\r\n\t"), std::string::npos) << id;
    EXPECT_NE(text.back(), ' ') << id;
  }
}

TEST(system_texts, builtin_documents_are_windows_resources) {
  // The executable's own TEXT resources, found the way start-up finds them.
  HRSRC english = FindResourceW(nullptr, MAKEINTRESOURCEW(293), L"TEXT");
  ASSERT_NE(english, nullptr);
  EXPECT_GT(SizeofResource(nullptr, english), 1000u);
}

}  // namespace
}  // namespace lumo
