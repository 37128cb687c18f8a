#include "i18n/builtin_documents.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <regex>

#include "i18n/language_table.h"

namespace lumo {
namespace {

struct builtin_language {
  int resource;
  const char* root_name;
};

constexpr builtin_language builtin_languages[] = {
    {291, "Polski"},
    {293, "English"},
    {296, "German"},
    {298, "\xD0\xA0\xD1\x83\xD1\x81\xD1\x81\xD0\xBA\xD0\xB8\xD0\xB9"},  // Russian
    {299, "Finnish"},
    {301, "Traditional Chinese"},
    {302, "Hebrew/\xD7\xA2\xD7\x91\xD7\xA8\xD7\x99\xD7\xAA"},
    {303, "Japanese"},
    {307, "Swedish"},
    {308,
     "Fran\xC3\xA7"
     "ais"},
    {309, "Italiano"},
    {310, "Chinese(Simplified)"},
};

std::shared_ptr<language_table> load_builtin(int resource) {
  auto doc = find_builtin_document(resource);
  if (!doc) return nullptr;
  return parse_language_document(*doc);
}

// Placeholders of a text, in order: a translation must keep every one of them.
std::vector<std::string> placeholders(const std::string& text) {
  std::vector<std::string> names;
  static const std::regex brace("\\{[^}]*\\}");
  for (std::sregex_iterator it(text.begin(), text.end(), brace), end; it != end; ++it)
    names.push_back(it->str());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(builtin_documents, every_document_parses_under_its_root_name) {
  auto english = load_builtin(english_resource);
  ASSERT_TRUE(english);
  EXPECT_GE(english->entries.size(), 218u);
  EXPECT_FALSE(english->copyright.empty());
  for (const auto& lang : builtin_languages) {
    SCOPED_TRACE(lang.resource);
    auto table = load_builtin(lang.resource);
    ASSERT_TRUE(table) << "missing built-in document";
    EXPECT_EQ(table->name, lang.root_name);
    EXPECT_FALSE(table->copyright.empty());
    std::string missing;
    for (const auto& [id, text] : english->entries) {
      auto it = table->entries.find(id);
      if (it == table->entries.end()) {
        missing += " \"" + id + "\"";
        continue;
      }
      EXPECT_EQ(placeholders(it->second), placeholders(text)) << id << ": " << it->second;
      EXPECT_FALSE(it->second.empty() && !text.empty()) << id;
    }
    for (const auto& [id, text] : table->entries)
      EXPECT_TRUE(english->entries.count(id)) << "id unknown to English: " << id;
    // Reported, not failed: a translation may lag behind the English document.
    if (!missing.empty()) std::printf("[ report ] %s lacks%s\n", lang.root_name, missing.c_str());
  }
  EXPECT_FALSE(find_builtin_document(292));
}

}  // namespace
}  // namespace lumo
