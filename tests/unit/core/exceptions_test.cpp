#include "core/exceptions.h"

#include <gtest/gtest.h>

#include "core/system_text.h"
#include "core/text_lookup.h"

using namespace sonatrix_io;

namespace {

std::string io_error_text(uint32_t code) {
  try {
    throw_io_error(code);
  } catch (const exception_io& e) {
    return e.what();
  }
  return "nothing thrown";
}

TEST(Exceptions, Win32CodesMapToTheIoFamily) {
  EXPECT_THROW(throw_io_error(3), exception_io_not_found);
  EXPECT_THROW(throw_io_error(19), exception_io_write_protected);
  EXPECT_THROW(throw_io_error(19), exception_io_denied);  // write protection is a denial
  EXPECT_THROW(throw_io_error(148), exception_io_sharing_violation);
  EXPECT_THROW(throw_io_error(1393), exception_io_file_corrupted);
  EXPECT_THROW(throw_io_error(183), exception_io_already_exists);
  EXPECT_EQ(io_error_text(148), "Sharing violation");
  EXPECT_EQ(io_error_text(1393), "File corrupted");
  EXPECT_EQ(io_error_text(999), "I/O error #999");
  try {
    throw_io_error(999);
  } catch (const exception_io_win32& e) {
    EXPECT_EQ(e.code(), 999u);
  }
}

std::string nothing(std::string_view) {
  return {};
}

TEST(Exceptions, MissingLanguageTextReadsUnknownException) {
  static const lumo::text_source empty_language{nothing};
  const lumo::text_source* language = lumo::set_text_source(&empty_language);
  EXPECT_STREQ(exception_io_not_found().what(), "Unknown exception");
  EXPECT_EQ(io_error_text(999), "Unknown exception");
  lumo::set_text_source(language);
  EXPECT_STREQ(exception_io_not_found().what(), "Object not found");
  // Fixed texts do not depend on the language.
  EXPECT_STREQ(kel::exception_aborted().what(), "User abort");
  EXPECT_STREQ(kel::exception_messagebox().what(), "Unknown exception");
  EXPECT_EQ(kel::error_text(std::bad_alloc()), "bad allocation");
}

TEST(Exceptions, SystemTextFixedAndFallbackTexts) {
  EXPECT_EQ(lumo::system_error_text(0), "Undefined error");
  EXPECT_EQ(lumo::system_error_text(193), "Not a valid Win32 application.");
  EXPECT_EQ(lumo::system_error_text(218), "Unable to modify a signed binary.");
  // A code no system knows.
  EXPECT_EQ(lumo::system_error_text(0x2000F00Du), "Unknown error code (536932365)");
  EXPECT_STREQ(kel::exception_win32(0).what(), "Undefined error");
}

}  // namespace
