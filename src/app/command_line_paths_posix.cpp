#include <filesystem>

#include "app/command_line_processing.h"

namespace lumo {

std::string resolve_against(std::string_view base, std::string_view arg) {
  std::filesystem::path p(arg);
  if (p.is_relative()) p = std::filesystem::path(base) / p;
  return p.lexically_normal().string();
}

}  // namespace lumo
