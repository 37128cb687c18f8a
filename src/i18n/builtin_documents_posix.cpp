#include "i18n/builtin_documents.h"

#include "i18n/builtin_documents_data.h"

namespace lumo {

std::optional<std::string_view> find_builtin_document(int resource) {
  for (size_t i = 0; i < builtin_document_count; ++i) {
    if (builtin_document_list[i].resource == resource)
      return std::string_view(builtin_document_list[i].bytes, builtin_document_list[i].size);
  }
  return std::nullopt;
}

}  // namespace lumo
