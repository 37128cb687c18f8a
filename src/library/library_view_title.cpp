#include "library/library_view_title.h"

namespace lumo {

namespace {
constexpr std::string_view link_open = "<a>";
constexpr std::string_view link_close = "</a>";
constexpr std::string_view link_separator = ", ";
}  // namespace

std::string space_angle_brackets(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c != '<' && c != '>') {
      out.push_back(c);
      continue;
    }
    if (i > 0 && text[i - 1] != ' ') out.push_back(' ');
    out.push_back(c);
    if (i + 1 < text.size() && text[i + 1] != ' ') out.push_back(' ');
  }
  return out;
}

void view_title::append_text(std::string_view text) {
  if (text.empty()) return;
  if (!parts_.empty() && !parts_.back().link) {
    parts_.back().text.append(text);
    return;
  }
  parts_.push_back({std::string(text), std::nullopt});
}

void view_title::append_link(std::string_view text, view_link_target target) {
  parts_.push_back({std::string(text), std::move(target)});
}

void view_title::append_with_links(
    std::string_view language_text, std::string_view placeholder,
    const std::vector<std::pair<std::string, view_link_target>>& links) {
  const size_t at = language_text.find(placeholder);
  if (at == std::string_view::npos) {
    append_text(language_text);
    return;
  }
  append_text(language_text.substr(0, at));
  for (size_t i = 0; i < links.size(); ++i) {
    if (i > 0) append_text(link_separator);
    append_link(links[i].first, links[i].second);
  }
  append_text(language_text.substr(at + placeholder.size()));
}

std::vector<view_link_target> view_title::links() const {
  std::vector<view_link_target> out;
  for (const auto& p : parts_)
    if (p.link) out.push_back(*p.link);
  return out;
}

std::string view_title::plain() const {
  std::string out;
  for (const auto& p : parts_) out += p.text;
  return out;
}

std::string view_title::render() const {
  std::string out;
  for (const auto& p : parts_) {
    if (p.link) {
      out += link_open;
      out += space_angle_brackets(p.text);
      out += link_close;
    } else {
      out += space_angle_brackets(p.text);
    }
  }
  return out;
}

std::vector<view_title_part> parse_link_text(std::string_view text) {
  std::vector<view_title_part> parts;
  auto add_text = [&](std::string_view t) {
    if (t.empty()) return;
    if (!parts.empty() && !parts.back().link)
      parts.back().text.append(t);
    else
      parts.push_back({std::string(t), std::nullopt});
  };
  size_t pos = 0;
  int link_index = 0;
  while (pos < text.size()) {
    const size_t open = text.find(link_open, pos);
    if (open == std::string_view::npos) break;
    const size_t close = text.find(link_close, open + link_open.size());
    if (close == std::string_view::npos) break;
    add_text(text.substr(pos, open - pos));
    // The parsed form knows only the link's position; its target comes from the title.
    parts.push_back(
        {std::string(text.substr(open + link_open.size(), close - open - link_open.size())),
         view_link_target{-1, std::to_string(link_index++)}});
    pos = close + link_close.size();
  }
  add_text(text.substr(pos));
  return parts;
}

}  // namespace lumo
