// The script parser. One level is parsed at a time; a block or an argument list finds
// its closing character first and the enclosed text is parsed as a level of its own.
// Malformed text never fails: parsing stops where it cannot continue and keeps what was
// built before that point.
#include <cstring>

#include "meta/title_format.h"
#include "meta/title_format_nodes.h"

namespace lumo {
namespace {

// Nesting beyond this stops parsing: deeper scripts would only exhaust the stack (while
// parsing and again while evaluating), and no display script comes near it.
constexpr int max_nesting = 200;

constexpr size_t no_match = std::string_view::npos;

// Finds the first byte at or after `from` that is one of `wanted` while no parenthesis
// or bracket opened after `from` is still open. Quoted text is skipped whole.
size_t find_closing(std::string_view text, size_t from, std::string_view wanted) {
  int parens = 0;
  int brackets = 0;
  for (size_t i = from; i < text.size(); ++i) {
    char c = text[i];
    if (parens == 0 && brackets == 0 && wanted.find(c) != std::string_view::npos) return i;
    switch (c) {
      case '\'': {
        size_t end = text.find('\'', i + 1);
        if (end == std::string_view::npos) return no_match;
        i = end;
        break;
      }
      case '(': ++parens; break;
      case ')':
        if (--parens < 0) return no_match;
        break;
      case '[': ++brackets; break;
      case ']':
        if (--brackets < 0) return no_match;
        break;
      default: break;
    }
  }
  return no_match;
}

bool is_name_char(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

class parser {
 public:
  title_format_node_ptr parse_level(std::string_view text, int depth);

 private:
  std::vector<title_format_node_ptr> parse_arguments(std::string_view list, int depth);
};

title_format_node_ptr make_level_result(std::vector<title_format_node_ptr> nodes) {
  if (nodes.size() == 1) return std::move(nodes.front());
  return std::make_shared<tf_sequence_node>(std::move(nodes));
}

title_format_node_ptr parser::parse_level(std::string_view text, int depth) {
  std::vector<title_format_node_ptr> nodes;
  std::string pending;
  auto flush = [&] {
    if (pending.empty()) return;
    nodes.push_back(std::make_shared<tf_literal_node>(std::move(pending), false));
    pending.clear();
  };

  size_t i = 0;
  bool stop = false;
  while (i < text.size() && !stop) {
    char c = text[i];
    switch (c) {
      case '%': {
        size_t end = text.find('%', i + 1);
        if (end == std::string_view::npos) {
          stop = true;
          break;
        }
        if (end == i + 1) {
          pending.push_back('%');
        } else {
          flush();
          nodes.push_back(
              std::make_shared<tf_field_node>(std::string(text.substr(i + 1, end - i - 1))));
        }
        i = end + 1;
        break;
      }
      case '[': {
        size_t end = find_closing(text, i + 1, "]");
        if (end == no_match || depth >= max_nesting) {
          stop = true;
          break;
        }
        flush();
        nodes.push_back(std::make_shared<tf_conditional_node>(
            parse_level(text.substr(i + 1, end - i - 1), depth + 1)));
        i = end + 1;
        break;
      }
      case '\'': {
        size_t end = text.find('\'', i + 1);
        if (end == std::string_view::npos) {
          stop = true;
          break;
        }
        if (end == i + 1)
          pending.push_back('\'');
        else
          pending.append(text.substr(i + 1, end - i - 1));
        i = end + 1;
        break;
      }
      case '$': {
        if (i + 1 < text.size() && text[i + 1] == '$') {
          pending.push_back('$');
          i += 2;
          break;
        }
        size_t name_end = i + 1;
        while (name_end < text.size() && is_name_char(text[name_end])) ++name_end;
        if (name_end >= text.size() || text[name_end] != '(' || depth >= max_nesting) {
          stop = true;
          break;
        }
        size_t close = find_closing(text, name_end + 1, ")");
        if (close == no_match) {
          stop = true;
          break;
        }
        flush();
        std::string_view name = text.substr(i + 1, name_end - i - 1);
        auto args = parse_arguments(text.substr(name_end + 1, close - name_end - 1), depth + 1);
        if (const auto* entry = find_title_format_function(name))
          nodes.push_back(std::make_shared<tf_call_node>(*entry, std::move(args)));
        else
          nodes.push_back(
              std::make_shared<tf_unknown_call_node>(std::string(name), std::move(args)));
        i = close + 1;
        break;
      }
      case ']':
      case '(':
      case ')': stop = true; break;
      case '\r':
      case '\n': ++i; break;
      default:
        pending.push_back(c);
        ++i;
        break;
    }
  }
  flush();
  return make_level_result(std::move(nodes));
}

std::vector<title_format_node_ptr> parser::parse_arguments(std::string_view list, int depth) {
  std::vector<title_format_node_ptr> args;
  if (list.empty()) return args;
  size_t start = 0;
  for (;;) {
    size_t comma = find_closing(list, start, ",");
    if (comma == no_match) {
      args.push_back(parse_level(list.substr(start), depth));
      return args;
    }
    args.push_back(parse_level(list.substr(start, comma - start), depth));
    start = comma + 1;
  }
}

}  // namespace

title_format_script title_format_script::compile(std::string_view text) {
  size_t zero = text.find('\0');
  if (zero != std::string_view::npos) text = text.substr(0, zero);
  parser p;
  auto root = p.parse_level(text, 0);
  root = root->fold(root);
  if (!root->is_constant())
    if (auto flat = tf_flat_node::try_flatten(root)) root = std::move(flat);
  return title_format_script(std::move(root));
}

}  // namespace lumo
