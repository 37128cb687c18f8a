#include "input/input_matching.h"

#include "core/case_map.h"

namespace lumo {

namespace {

constexpr size_t max_extension_chars = 32;

}  // namespace

std::string_view extension_of(std::string_view path) {
  const size_t separator = path.find_last_of("\\/|:");
  const std::string_view name =
      separator == std::string_view::npos ? path : path.substr(separator + 1);
  const size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return {};
  std::string_view extension = name.substr(dot + 1);
  extension = extension.substr(0, extension.find('?'));
  return extension.size() >= max_extension_chars ? std::string_view{} : extension;
}

bool extension_matches(std::string_view extension, std::initializer_list<std::string_view> list) {
  for (std::string_view e : list)
    if (ascii_equal_nocase(extension, e)) return true;
  return false;
}

bool content_type_matches(std::string_view type, std::initializer_list<std::string_view> list) {
  type = type.substr(0, type.find(';'));
  while (!type.empty() && type.back() == ' ') type.remove_suffix(1);
  for (std::string_view t : list)
    if (ascii_equal_nocase(type, t)) return true;
  return false;
}

bool content_type_matches_exact(std::string_view type,
                                std::initializer_list<std::string_view> list) {
  for (std::string_view t : list)
    if (type == t) return true;
  return false;
}

}  // namespace lumo
