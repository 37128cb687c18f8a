#include "i18n/language_table.h"

#include <atomic>

#include "core/exceptions.h"
#include "core/text_lookup.h"
#include "i18n/builtin_documents.h"
#include "i18n/xml_reader.h"

namespace lumo {

namespace {

void read_children(std::string_view content, language_table& table) {
  xml_parse_content(content, [&](const xml_element& e) {
    if (e.name == "entry") {
      const std::string* id = e.find_attribute("id");
      if (!id) return;
      const std::string* text = e.find_attribute("text");
      // A repeated id keeps its first text.
      table.entries.try_emplace(*id, text ? *text : std::string());
    } else if (e.name == "copyright") {
      std::string copyright;
      xml_parse_content(e.content, {}, [&](const std::string& t) { copyright += t; });
      table.copyright = std::move(copyright);
    }
  });
}

// The table lookups see before load_language installs one.
std::shared_ptr<const language_table> builtin_english_table() {
  static const std::shared_ptr<const language_table> table = [] {
    std::shared_ptr<const language_table> t;
    try {
      if (auto doc = find_builtin_document(english_resource)) t = parse_language_document(*doc);
    } catch (const kel::exception&) {
      // Broken built-in data is reported by load_language; lookups just read empty.
    }
    return t ? t : std::make_shared<const language_table>();
  }();
  return table;
}

std::atomic<std::shared_ptr<const language_table>>& installed_table() {
  static std::atomic<std::shared_ptr<const language_table>> table;
  return table;
}

std::string core_get_text(std::string_view id) {
  return get_text(id);
}

constexpr text_source language_text_source{core_get_text};

// Hands our lookup to the core. Only a pointer store, so order against other statics
// does not matter: the core's slot is constant-initialised.
[[maybe_unused]] const bool registered_with_core = [] {
  set_text_source(&language_text_source);
  return true;
}();

}  // namespace

std::shared_ptr<language_table> parse_language_document(std::string_view document) {
  auto table = std::make_shared<language_table>();
  bool seen_root = false;
  xml_parse_document(document, [&](const xml_element& e) {
    // Other top-level elements are ignored.
    if (e.name != "localization") return;
    if (seen_root) throw sonatrix_io::exception_io_data("Malformed language document: second root");
    seen_root = true;
    if (const std::string* name = e.find_attribute("name")) table->name = *name;
    read_children(e.content, *table);
  });
  return table;
}

void install_language_table(std::shared_ptr<const language_table> table) {
  installed_table().store(std::move(table));
}

std::shared_ptr<const language_table> active_language_table() {
  if (auto table = installed_table().load()) return table;
  return builtin_english_table();
}

std::string get_text(std::string_view id) {
  auto table = active_language_table();
  auto it = table->entries.find(id);
  return it != table->entries.end() ? it->second : std::string();
}

std::optional<std::string> format_text(std::string_view id, const text_values& values) {
  auto table = active_language_table();
  auto it = table->entries.find(id);
  if (it == table->entries.end()) return std::nullopt;
  return fill_placeholders(it->second, values);
}

std::string get_copyright() {
  return active_language_table()->copyright;
}

}  // namespace lumo
