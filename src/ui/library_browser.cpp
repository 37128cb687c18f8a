#include "ui/library_browser.h"

namespace lumo {

std::string encode_browser_location(const browser_location& where) {
  std::string out = std::to_string(int(where.view));
  for (const std::string& entry : where.path) {
    out += '\n';
    for (char c : entry) {
      if (c == '\\')
        out += "\\\\";
      else if (c == '\n')
        out += "\\n";
      else
        out += c;
    }
  }
  return out;
}

browser_location decode_browser_location(std::string_view text) {
  browser_location where;
  if (text.empty()) return where;
  size_t end = text.find('\n');
  const std::string_view view = text.substr(0, end);
  int number = 0;
  bool is_number = !view.empty() && view.size() < 4;
  for (char c : view) {
    if (c < '0' || c > '9') is_number = false;
    number = number * 10 + (c - '0');
  }
  if (is_number && number < int(navigation_target_count)) where.view = navigation_target(number);
  while (end != std::string_view::npos) {
    const size_t start = end + 1;
    end = text.find('\n', start);
    const std::string_view line =
        text.substr(start, end == std::string_view::npos ? end : end - start);
    std::string entry;
    for (size_t i = 0; i < line.size(); ++i) {
      if (line[i] == '\\' && i + 1 < line.size()) {
        ++i;
        entry += line[i] == 'n' ? '\n' : line[i];
      } else {
        entry += line[i];
      }
    }
    where.path.push_back(std::move(entry));
  }
  const bool library =
      where.view != navigation_target::music_folders && where.view != navigation_target::computer;
  if (library && where.path.size() > 4) where.path.resize(4);
  return where;
}

}  // namespace lumo
