#include "core/text_lookup.h"

#include <atomic>

namespace lumo {

namespace {

// Without the language module linked in, every text reads empty, so exception
// messages fall back to "Unknown exception".
std::string no_text(std::string_view) {
  return {};
}

constexpr text_source no_text_source{no_text};
std::atomic<const text_source*> active_source{&no_text_source};

}  // namespace

const text_source* set_text_source(const text_source* source) {
  return active_source.exchange(source ? source : &no_text_source);
}

std::string lookup_text(std::string_view id) {
  return active_source.load()->get_text(id);
}

std::optional<std::string> fill_placeholders(
    std::string_view text, const std::map<std::string, std::string, std::less<>>& values) {
  std::string out;
  size_t pos = 0;
  for (;;) {
    size_t open = text.find('{', pos);
    if (open == std::string_view::npos) break;
    size_t close = text.find('}', open + 1);
    if (close == std::string_view::npos) return std::nullopt;
    auto it = values.find(text.substr(open + 1, close - open - 1));
    if (it == values.end()) return std::nullopt;
    out.append(text, pos, open - pos);
    out += it->second;
    pos = close + 1;
  }
  out.append(text, pos);
  return out;
}

std::optional<std::string> lookup_format(
    std::string_view id, const std::map<std::string, std::string, std::less<>>& values) {
  std::string text = lookup_text(id);
  if (text.empty()) return std::nullopt;
  return fill_placeholders(text, values);
}

}  // namespace lumo
