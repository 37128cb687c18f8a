#include "i18n/language_loader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/exceptions.h"
#include "core/popup_recorder.h"
#include "i18n/override_file.h"

namespace lumo {
namespace {

// The broken-document notice goes through the popup service (the recorder here).
TEST(language_loader, load_installs_and_a_broken_document_ends_the_program) {
  auto folder = std::filesystem::temp_directory_path() / "lumo-i18n-load-test";
  std::filesystem::create_directories(folder);
  auto write = [&](const std::string& bytes) {
    std::ofstream(folder / std::string(language_override_name), std::ios::binary) << bytes;
  };
  auto previous = active_language_table();

  write("<?xml version=\"1.0\"?><localization name=\"Mine\"/>");
  load_language(0, folder.string());
  EXPECT_EQ(active_language_table()->name, "Mine");

  write("<?xml version=\"1.0\" encoding=\"iso-8859-1\"?><localization name=\"x\"/>");
  popup_recorder::take_recorded();
  EXPECT_THROW(load_language(0, folder.string()), kel::exception_shutdownrequest);
  auto shown = popup_recorder::take_recorded();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].message, "Broken or incomplete language file.");
  EXPECT_EQ(active_language_table()->name, "Mine");  // nothing half-installed

  // The system texts have no source natively: a document keeps exactly its own ids.
  language_table t;
  fill_system_texts(t);
  EXPECT_TRUE(t.entries.empty());

  install_language_table(previous);
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace lumo
