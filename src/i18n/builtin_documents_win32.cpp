#include <windows.h>

#include "i18n/builtin_documents.h"

namespace lumo {

std::optional<std::string_view> find_builtin_document(int resource) {
  // Resources of the executable itself; a loaded resource stays mapped with the image,
  // so nothing is freed.
  HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(resource), L"TEXT");
  if (!found) return std::nullopt;
  HGLOBAL loaded = LoadResource(nullptr, found);
  if (!loaded) return std::nullopt;
  const void* bytes = LockResource(loaded);
  DWORD size = SizeofResource(nullptr, found);
  if (!bytes) return std::nullopt;
  return std::string_view(static_cast<const char*>(bytes), size);
}

}  // namespace lumo
