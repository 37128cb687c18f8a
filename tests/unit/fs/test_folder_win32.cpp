#include <windows.h>

#include <stdexcept>
#include <string>

#include "core/unicode.h"
#include "test_folder.h"

namespace lumo::testing {

std::string make_temp_folder_url() {
  wchar_t temp[MAX_PATH + 1];
  if (!GetTempPathW(MAX_PATH + 1, temp)) throw std::runtime_error("GetTempPathW failed");
  for (unsigned n = GetTickCount();; ++n) {
    std::wstring folder = std::wstring(temp) + L"lumo-fs-test-" + std::to_wstring(n);
    if (CreateDirectoryW(folder.c_str(), nullptr)) return "file://" + from_wide(folder) + "\\";
    if (GetLastError() != ERROR_ALREADY_EXISTS) throw std::runtime_error("CreateDirectoryW failed");
  }
}

void set_read_only(const std::string& url, bool is_read_only) {
  std::wstring path = to_wide("\\\\?\\" + url.substr(7));
  DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  attributes = is_read_only ? (attributes | FILE_ATTRIBUTE_READONLY)
                            : (attributes & ~DWORD{FILE_ATTRIBUTE_READONLY});
  SetFileAttributesW(path.c_str(), attributes);
}

}  // namespace lumo::testing
