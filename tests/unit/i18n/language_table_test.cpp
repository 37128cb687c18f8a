#include "i18n/language_table.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "core/exceptions.h"
#include "i18n/builtin_documents.h"
#include "i18n/language_loader.h"
#include "i18n/override_file.h"

namespace lumo {
namespace {

std::string document(std::string_view body) {
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n" + std::string(body);
}

// Installs a table for one test and puts the previous one back afterwards.
class scoped_language {
 public:
  explicit scoped_language(std::string_view body) : previous_(active_language_table()) {
    install_language_table(parse_language_document(document(body)));
  }
  ~scoped_language() { install_language_table(previous_); }

 private:
  std::shared_ptr<const language_table> previous_;
};

// A fresh, empty profile folder per test.
class profile_folder {
 public:
  profile_folder() {
    path_ = std::filesystem::temp_directory_path() /
            ("lumo-i18n-test-" + std::to_string(reinterpret_cast<uintptr_t>(this)));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~profile_folder() { std::filesystem::remove_all(path_); }
  std::string path() const { return path_.string(); }
  void write_override(const std::string& bytes) const {
    std::ofstream out(path_ / std::string(language_override_name), std::ios::binary);
    out << bytes;
  }

 private:
  std::filesystem::path path_;
};

TEST(language_table, builds_from_the_document) {
  auto t = parse_language_document(
      document("<!-- head --><other><entry id=\"x\" text=\"ignored\"/></other>"
               "<localization name=\"Test &amp; Co\">\n"
               "  <copyright>(C) <!-- translators: --> the authors &#65;</copyright>\n"
               "  <entry id=\"a\" text=\"first\"/><entry id=\"a\" text=\"second\"/>\n"
               "  <entry id=\"properties_meta_album artist\" text=\"Album artist\"></entry>\n"
               "  <entry id=\"no_text\"/><unknown/>\n"
               "</localization>"));
  EXPECT_EQ(t->name, "Test & Co");
  EXPECT_EQ(t->copyright, "(C)  the authors A");
  EXPECT_EQ(t->entries.at("a"), "first");
  EXPECT_EQ(t->entries.at("properties_meta_album artist"), "Album artist");
  EXPECT_EQ(t->entries.at("no_text"), "");
  EXPECT_EQ(t->entries.count("x"), 0u);
  EXPECT_EQ(t->entries.size(), 3u);

  EXPECT_TRUE(parse_language_document(document("<nothing/>"))->entries.empty());
  EXPECT_THROW(
      parse_language_document(document("<localization name=\"a\"/><localization name=\"b\"/>")),
      sonatrix_io::exception_io_data);
}

TEST(language_table, lookups_and_placeholders) {
  scoped_language lang(
      "<localization name=\"t\"><copyright>c</copyright>"
      "<entry id=\"exception_io_with_code\" text=\"I/O error #{code}\"/>"
      "<entry id=\"open\" text=\"broken {brace\"/>"
      "<entry id=\"two\" text=\"{a}-{b}{a}\"/></localization>");
  EXPECT_EQ(format_text("exception_io_with_code", {{"code", "999"}}), "I/O error #999");
  EXPECT_EQ(format_text("open", {{"brace", "x"}}), std::nullopt);
  EXPECT_EQ(format_text("two", {{"a", "1"}, {"b", "2"}}), "1-21");
  EXPECT_EQ(format_text("two", {{"a", "1"}}), std::nullopt);  // name not supplied
  EXPECT_EQ(format_text("missing", {}), std::nullopt);
  EXPECT_EQ(get_text("missing"), "");
  EXPECT_EQ(get_copyright(), "c");

  // The exception family reads the active table: a filled code, and an id this table
  // lacks gives an empty message, which reads "Unknown exception".
  EXPECT_STREQ(sonatrix_io::exception_io_win32_ex(999).what(), "I/O error #999");
  EXPECT_STREQ(sonatrix_io::exception_io_no_length().what(), "Unknown exception");
}

TEST(language_table, english_answers_before_any_load) {
  // No table installed: the built-in English document speaks.
  EXPECT_EQ(get_text("exception_io_data"), "Unsupported format or corrupted file");
  EXPECT_STREQ(sonatrix_io::exception_io_data().what(), "Unsupported format or corrupted file");
  EXPECT_EQ(active_language_table()->name, "English");
}

TEST(language_loader, chooses_the_builtin_document_by_language) {
  EXPECT_EQ(builtin_resource_for_language(0x0804), 310);               // Chinese (Simplified)
  EXPECT_EQ(builtin_resource_for_language(0x0404), 301);               // Chinese (Taiwan)
  EXPECT_EQ(builtin_resource_for_language(0x0C04), 301);               // Chinese (Hong Kong)
  EXPECT_EQ(builtin_resource_for_language(0x0407), 296);               // German
  EXPECT_EQ(builtin_resource_for_language(0x0807), 296);               // German (Switzerland)
  EXPECT_EQ(builtin_resource_for_language(0x0416), english_resource);  // Portuguese
  EXPECT_EQ(builtin_resource_for_language(0x0409), english_resource);
  EXPECT_EQ(builtin_resource_for_language(0x040C), 308);  // French

  profile_folder profile;
  EXPECT_EQ(build_language_table(0x0407, profile.path())->name, "German");
  EXPECT_EQ(build_language_table(0x0416, profile.path())->name, "English");
  EXPECT_EQ(build_language_table(0x0804, profile.path())->name, "Chinese(Simplified)");
  EXPECT_EQ(build_language_table(0x0404, profile.path())->name, "Traditional Chinese");
}

TEST(language_loader, override_file_rules) {
  profile_folder profile;
  const std::string own =
      document("<localization name=\"Mine\"><entry id=\"menu_play\" text=\"Go\"/></localization>");
  profile.write_override(own);
  auto t = build_language_table(0, profile.path());
  EXPECT_EQ(t->name, "Mine");
  EXPECT_EQ(t->entries.at("menu_play"), "Go");
  // An explicit language ignores the override.
  EXPECT_EQ(build_language_table(0x0407, profile.path())->name, "German");

  // A file at the limit is read; one byte more is refused as data.
  std::string padded = own;
  padded.resize(language_override_max_bytes, ' ');
  profile.write_override(padded);
  EXPECT_EQ(build_language_table(0, profile.path())->name, "Mine");
  padded += ' ';
  profile.write_override(padded);
  EXPECT_THROW(read_language_override(profile.path()), sonatrix_io::exception_io_data);
  EXPECT_THROW(build_language_table(0, profile.path()), sonatrix_io::exception_io_data);

  profile.write_override(document("<localization name=\"a\"/>").replace(30, 5, "ascii"));
  EXPECT_THROW(build_language_table(0, profile.path()), sonatrix_io::exception_io_data);

  // A missing profile folder or file means no override.
  EXPECT_EQ(read_language_override((std::filesystem::path(profile.path()) / "absent").string()),
            std::nullopt);

  EXPECT_THROW(check_language_override_size(std::nullopt), sonatrix_io::exception_io_no_length);
}

}  // namespace
}  // namespace lumo
