#pragma once
// View titles: one line of text in which some runs are links ("<a>" text "</a>"); a click
// on a link navigates to what it names. Titles are built as parts so the main window
// knows where each link leads, and rendered to link text for drawing.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumo {

// Where a link leads: the entry with this key at this level (0 genres, 1 artists,
// 2 albums).
struct view_link_target {
  int level = 0;
  std::string key;
  bool operator==(const view_link_target&) const = default;
};

struct view_title_part {
  std::string text;
  std::optional<view_link_target> link;
};

class view_title {
 public:
  void append_text(std::string_view text);
  void append_link(std::string_view text, view_link_target target);
  // A language text with one placeholder ("{genre}"): the text before it, one link per
  // target (separated by ", "), then the text after it. Without the placeholder the
  // text is appended as it is.
  void append_with_links(std::string_view language_text, std::string_view placeholder,
                         const std::vector<std::pair<std::string, view_link_target>>& links);

  const std::vector<view_title_part>& parts() const { return parts_; }
  // The link targets in the order their links appear in render().
  std::vector<view_link_target> links() const;
  // The text without link markup.
  std::string plain() const;
  // Link text: plain runs with "<" and ">" spaced apart from their neighbours, links as
  // "<a>" text "</a>" (their text spaced alike), so no name can form markup.
  std::string render() const;

 private:
  std::vector<view_title_part> parts_;
};

// The spacing rule for text shown in link text: a "<" or ">" gets a space before it
// unless it stands first or follows a space, and after it unless it stands last or a
// space follows.
std::string space_angle_brackets(std::string_view text);

// Splits link text into its parts again (what the main window draws); unmatched markup
// is shown as text.
std::vector<view_title_part> parse_link_text(std::string_view text);

}  // namespace lumo
