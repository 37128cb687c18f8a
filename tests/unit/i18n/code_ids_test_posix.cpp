// Every id the program's code asks for must exist in the English document, the template
// of every translation. The scan runs over the source tree, so it is a native-only test.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "i18n/builtin_documents.h"
#include "i18n/language_table.h"

namespace lumo {
namespace {

std::set<std::string> ids_asked_for_in(const std::filesystem::path& root) {
  // Literal ids handed to the lookups, and the ids of the I/O exception declarations.
  static const std::regex call(
      "\\b(?:get_text|format_text|lookup_text|lookup_format|io_text|ui_text)\\(\\s*\"([^\"]+)\"");
  static const std::regex declared(
      "LUMO_DECLARE_IO_EXCEPTION\\(\\s*\\w+\\s*,\\s*[\\w:]+\\s*,\\s*\"([^\"]+)\"\\)");
  std::set<std::string> ids;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    auto ext = entry.path().extension();
    if (ext != ".cpp" && ext != ".h") continue;
    std::ifstream in(entry.path());
    std::stringstream text;
    text << in.rdbuf();
    const std::string source = text.str();
    for (const auto* re : {&call, &declared})
      for (std::sregex_iterator it(source.begin(), source.end(), *re), end; it != end; ++it)
        ids.insert((*it)[1]);
  }
  return ids;
}

TEST(builtin_documents, english_defines_every_id_the_code_asks_for) {
  const std::filesystem::path src =
      std::filesystem::path(LUMO_TEST_FIXTURES).parent_path().parent_path() / "src";
  auto ids = ids_asked_for_in(src);
  ASSERT_GT(ids.size(), 15u) << "the scan found too little in " << src;
  auto english = parse_language_document(*find_builtin_document(english_resource));
  for (const auto& id : ids) EXPECT_TRUE(english->entries.count(id)) << id;
}

}  // namespace
}  // namespace lumo
