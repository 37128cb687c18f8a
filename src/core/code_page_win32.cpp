#include "core/code_page.h"

#include <windows.h>

#include "core/unicode.h"

namespace lumo {

std::string round_trip_code_page(std::string_view text, legacy_code_page page) {
  if (text.empty()) return {};
  UINT code_page = page == legacy_code_page::us_ascii ? 20127 : CP_ACP;
  std::wstring wide = to_wide(text);
  int wide_length = int(wide.size());
  int narrow_length =
      WideCharToMultiByte(code_page, 0, wide.data(), wide_length, nullptr, 0, nullptr, nullptr);
  if (narrow_length <= 0) return std::string(text);
  std::string narrow(size_t(narrow_length), '\0');
  WideCharToMultiByte(code_page, 0, wide.data(), wide_length, narrow.data(), narrow_length, nullptr,
                      nullptr);
  int back_length = MultiByteToWideChar(code_page, 0, narrow.data(), narrow_length, nullptr, 0);
  if (back_length <= 0) return std::string(text);
  std::wstring back(size_t(back_length), L'\0');
  MultiByteToWideChar(code_page, 0, narrow.data(), narrow_length, back.data(), back_length);
  return from_wide(back);
}

}  // namespace lumo
