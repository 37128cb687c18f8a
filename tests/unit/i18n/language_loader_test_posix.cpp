#include "i18n/language_loader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/exceptions.h"
#include "i18n/override_file.h"

namespace lumo {
namespace {

// Natively the broken-document notice goes to stderr, so the whole path can run here;
// on Windows it is a message box and is left to the whole-program tests.
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
  testing::internal::CaptureStderr();
  EXPECT_THROW(load_language(0, folder.string()), kel::exception_shutdownrequest);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Broken or incomplete language file.\n");
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
