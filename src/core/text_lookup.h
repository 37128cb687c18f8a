#pragma once
// The seam through which the core reaches the language data. The core sits below the
// language module, so the language module (src/i18n) installs its lookup here during
// static initialisation; it answers from its built-in English document until a language
// is loaded. A program without that module reads every text as empty.

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace lumo {

struct text_source {
  // The text of id, or the empty string when the id is missing.
  std::string (*get_text)(std::string_view id);
};

// Installs source (null: no texts) and returns the one it replaces.
const text_source* set_text_source(const text_source* source);

// The active language's text of id; empty when missing.
std::string lookup_text(std::string_view id);

// Fills every "{name}" placeholder of text. Fails (nullopt) on a "{" without a later
// "}" or a name that values lacks.
std::optional<std::string> fill_placeholders(
    std::string_view text, const std::map<std::string, std::string, std::less<>>& values);

// lookup_text(id) with its placeholders filled; nullopt when the id is missing or the
// text cannot be filled.
std::optional<std::string> lookup_format(
    std::string_view id, const std::map<std::string, std::string, std::less<>>& values);

}  // namespace lumo
