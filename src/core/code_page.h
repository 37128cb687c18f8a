#pragma once
// Round trips through a legacy 8-bit code page, for showing text the way a program
// limited to that code page would. Platform seam: WideCharToMultiByte on Windows, iconv
// elsewhere (where the system ANSI code page is taken to be Windows-1252).

#include <string>
#include <string_view>

namespace lumo {

enum class legacy_code_page {
  system_ansi,  // the system's ANSI code page
  us_ascii,     // code page 20127
};

// Converts UTF-8 text to the code page and back; characters the code page cannot hold
// come back as the code page's replacement (best fit or "?"). Never throws for bad
// text: invalid UTF-8 has already become U+FFFD before conversion.
std::string round_trip_code_page(std::string_view text, legacy_code_page page);

}  // namespace lumo
