#pragma once
// The active language: every user-visible text is looked up here by id. A table is built
// once from a language document, never changed afterwards, and replaced as a whole; the
// process-wide one is shared by reference count, so a reader keeps a consistent table even
// while start-up swaps it.
//
// Until load_language installs a table, lookups answer from the built-in English
// document (parsed on first use), so errors raised before or without a load still read
// well. This module hands its lookup to the core (core/text_lookup.h) at static
// initialisation.

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace lumo {

struct language_table {
  std::string name;  // the "name" attribute of the document's root
  std::map<std::string, std::string, std::less<>> entries;  // id -> text, both UTF-8
  std::string copyright;
};

using text_values = std::map<std::string, std::string, std::less<>>;

// Builds a table from a language document. A document without a "localization" element
// gives an empty table. Throws sonatrix_io::exception_io_data when the document is
// outside what xml_reader.h accepts or holds two "localization" elements.
std::shared_ptr<language_table> parse_language_document(std::string_view document);

// Makes table the process-wide table, releasing the previous one. Start-up only.
void install_language_table(std::shared_ptr<const language_table> table);

// The process-wide table (the built-in English one before any install). Never null.
std::shared_ptr<const language_table> active_language_table();

// The active text of id; empty when the id is missing. Any thread.
std::string get_text(std::string_view id);

// The active text of id with every "{name}" filled from values; nullopt when the id is
// missing, a "{" has no later "}", or a name is not in values. Any thread.
std::optional<std::string> format_text(std::string_view id, const text_values& values);

// The active document's copyright text.
std::string get_copyright();

}  // namespace lumo
