#pragma once
// The table the build generates from resources/lang/lang.rc for builds without Windows
// resources (see embed_documents.cmake).

#include <cstddef>

namespace lumo {

struct builtin_document_bytes {
  int resource;
  const char* bytes;
  size_t size;
};

extern const builtin_document_bytes builtin_document_list[];
extern const size_t builtin_document_count;

}  // namespace lumo
