// Fuzzes the language document reader: the XML subset and the table built from it.
#include <cstdint>
#include <string_view>

#include "core/exceptions.h"
#include "i18n/language_table.h"
#include "i18n/xml_reader.h"

namespace {

// Walks every element the way a caller would, re-parsing contents a few levels deep.
void walk(std::string_view content, int depth) {
  if (depth > 8) return;
  lumo::xml_parse_content(
      content, [&](const lumo::xml_element& e) { walk(e.content, depth + 1); },
      [](const std::string&) {});
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  try {
    lumo::parse_language_document(bytes);
  } catch (const kel::exception&) {
  }
  try {
    lumo::xml_parse_document(bytes, [](const lumo::xml_element& e) { walk(e.content, 1); });
  } catch (const kel::exception&) {
  }
  return 0;
}
