#include "i18n/language_loader.h"

#include "core/exceptions.h"
#include "core/internal_error.h"
#include "core/popup_message.h"
#include "core/system_text.h"
#include "i18n/builtin_documents.h"
#include "i18n/override_file.h"

namespace lumo {

namespace {

struct system_text_id {
  std::string_view id;
  uint32_t win32_code;
};

constexpr system_text_id system_text_ids[] = {
    {"exception_io_not_found", 2},          {"exception_io_denied", 5},
    {"exception_io_sharing_violation", 32}, {"exception_io_device_full", 112},
    {"exception_io_file_corrupted", 1392},  {"exception_io_already_exists", 183},
    {"exception_io_write_protected", 19},   {"exception_io_directory_not_empty", 145},
    {"exception_io_name_too_long", 111},    {"exception_io_no_handler_for_path", 161},
};

std::string single_line(std::string text) {
  for (char& c : text)
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

std::string_view builtin_document(uint16_t language_id) {
  int resource = builtin_resource_for_language(language_id);
  if (auto doc = find_builtin_document(resource)) return *doc;
  if (auto doc = find_builtin_document(english_resource)) return *doc;
  // English is part of every build; without it the executable is damaged.
  internal_error_crash("the built-in English language document is missing");
}

}  // namespace

void fill_system_texts(language_table& table) {
  for (const auto& [id, code] : system_text_ids) {
    if (table.entries.find(id) != table.entries.end()) continue;
    std::string text = single_line(platform_error_message(code));
    if (!text.empty()) table.entries.emplace(id, std::move(text));
  }
}

std::shared_ptr<language_table> build_language_table(uint16_t language_id,
                                                     std::string_view profile_folder) {
  std::shared_ptr<language_table> table;
  if (language_id == 0) {
    if (auto doc = read_language_override(profile_folder)) table = parse_language_document(*doc);
  }
  if (!table)
    table =
        parse_language_document(builtin_document(language_id ? language_id : user_ui_language()));
  fill_system_texts(*table);
  return table;
}

void load_language(uint16_t language_id, std::string_view profile_folder) {
  std::shared_ptr<language_table> table;
  try {
    table = build_language_table(language_id, profile_folder);
  } catch (const sonatrix_io::exception_io_data&) {
    // No language is loaded yet, so this one text is fixed.
    popup_message::g_show("Broken or incomplete language file.", "Error", popup_icon::error);
    throw kel::exception_shutdownrequest();
  }
  install_language_table(std::move(table));
}

}  // namespace lumo
