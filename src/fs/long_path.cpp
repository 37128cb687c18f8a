#include "fs/long_path.h"

namespace lumo {

namespace {
constexpr std::string_view k_long_prefix = "\\\\?\\";
constexpr std::string_view k_long_unc_prefix = "\\\\?\\UNC\\";
}  // namespace

std::string to_long_path(std::string_view path) {
  if (path.starts_with("..\\") || path.find("\\..\\") != std::string_view::npos ||
      path.starts_with(k_long_prefix))
    return std::string(path);
  if (path.starts_with("\\\\")) return std::string(k_long_unc_prefix).append(path.substr(2));
  return std::string(k_long_prefix).append(path);
}

std::string from_long_path(std::string_view path) {
  if (path.starts_with(k_long_unc_prefix))
    return std::string("\\\\").append(path.substr(k_long_unc_prefix.size()));
  if (path.starts_with(k_long_prefix)) return std::string(path.substr(k_long_prefix.size()));
  return std::string(path);
}

}  // namespace lumo
