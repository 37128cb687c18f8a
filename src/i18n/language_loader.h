#pragma once
// Choosing and loading the language at start-up.

#include <cstdint>
#include <memory>
#include <string_view>

#include "i18n/language_table.h"

namespace lumo {

// Loads the language and installs it as the process-wide table. language_id is a Windows
// LANGID; 0 means automatic: the override file of profile_folder when there is one, else
// the built-in document for the user's interface language. Main thread, once, before the
// service registry is built.
// A document that fails to parse is reported to the user ("Broken or incomplete language
// file.") and ends the program through kel::exception_shutdownrequest; other errors
// reading the override file propagate.
void load_language(uint16_t language_id, std::string_view profile_folder);

// The table load_language would install, without reporting or installing it. Throws
// sonatrix_io::exception_io_data for a broken document.
std::shared_ptr<language_table> build_language_table(uint16_t language_id,
                                                     std::string_view profile_folder);

// Adds the system's own text for each of the ten file-error ids the table lacks (the
// text of the Win32 error behind it, white space made single spaces, trailing spaces
// dropped). Where the system has no such text (other builds) nothing is added.
void fill_system_texts(language_table& table);

// The user's interface language as a Windows LANGID. Platform seam.
uint16_t user_ui_language();

}  // namespace lumo
