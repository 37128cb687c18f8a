#include "i18n/xml_reader.h"

#include <cstdint>

#include "core/case_map.h"
#include "core/exceptions.h"
#include "core/unicode.h"

namespace lumo {

namespace {

[[noreturn]] void fail(const char* what) {
  throw sonatrix_io::exception_io_data(std::string("Malformed language document: ") + what);
}

// Any byte below "!" counts as white space, as in the documents' own tradition.
bool is_space(char c) {
  return static_cast<unsigned char>(c) < '!';
}

bool is_ascii_alnum(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

void skip_space(std::string_view s, size_t& pos) {
  while (pos < s.size() && is_space(s[pos])) ++pos;
}

// Reads a numeric reference body (digits only, no "#" or "x") in the given base.
char32_t parse_code_point(std::string_view digits, int base) {
  if (digits.empty()) fail("empty numeric reference");
  uint32_t value = 0;
  for (char c : digits) {
    int d;
    if (c >= '0' && c <= '9')
      d = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f')
      d = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F')
      d = c - 'A' + 10;
    else
      fail("bad digit in numeric reference");
    value = value * static_cast<uint32_t>(base) + static_cast<uint32_t>(d);
    if (value > 0x10FFFF) fail("numeric reference out of range");
  }
  if (value == 0 || (value >= 0xD800 && value <= 0xDFFF)) fail("numeric reference is no character");
  return value;
}

// The attribute list of a tag or of the declaration, starting after the name. Stops at
// ">" / "/>" (tags) or "?>" (declaration) and leaves pos on that terminator.
std::vector<xml_attribute> parse_attributes(std::string_view s, size_t& pos, bool declaration) {
  std::vector<xml_attribute> attributes;
  for (;;) {
    size_t before = pos;
    skip_space(s, pos);
    if (pos >= s.size()) fail("unterminated tag");
    if (declaration ? s.compare(pos, 2, "?>") == 0
                    : (s[pos] == '>' || s.compare(pos, 2, "/>") == 0))
      return attributes;
    // Attributes are separated by white space.
    if (!attributes.empty() && pos == before) fail("attributes not separated");
    size_t name_start = pos;
    if (declaration) {
      while (pos < s.size() && is_ascii_alnum(s[pos])) ++pos;
    } else {
      while (pos < s.size() && !is_space(s[pos]) && s[pos] != '=' && s[pos] != '>' &&
             s[pos] != '/' && s[pos] != '<' && s[pos] != '"')
        ++pos;
    }
    if (pos == name_start) fail("unexpected character in tag");
    std::string_view name = s.substr(name_start, pos - name_start);
    if (s.compare(pos, 2, "=\"") != 0) fail("attribute without a double-quoted value");
    pos += 2;
    size_t close = s.find('"', pos);
    if (close == std::string_view::npos) fail("unterminated attribute value");
    attributes.push_back({std::string(name), xml_decode_references(s.substr(pos, close - pos))});
    pos = close + 1;
  }
}

// From just after a non-empty element's opening tag, finds where its content ends by
// counting opening and closing tags; the closing tag's name is not compared. Returns the
// offset of the closing "</" and sets after to the byte following its ">".
size_t find_element_end(std::string_view s, size_t pos, size_t& after) {
  size_t depth = 1;
  for (;;) {
    pos = s.find('<', pos);
    if (pos == std::string_view::npos) fail("element not closed");
    if (s.compare(pos, 4, "<!--") == 0) {
      size_t end = s.find("-->", pos + 4);
      if (end == std::string_view::npos) fail("unterminated comment");
      pos = end + 3;
      continue;
    }
    bool closing = s.compare(pos, 2, "</") == 0;
    // Skip to the tag's end, stepping over quoted values, which may hold ">".
    size_t end = pos + 1;
    while (end < s.size() && s[end] != '>') {
      if (s[end] == '"') {
        end = s.find('"', end + 1);
        if (end == std::string_view::npos) fail("unterminated attribute value");
      }
      ++end;
    }
    if (end >= s.size()) fail("unterminated tag");
    if (closing) {
      if (--depth == 0) {
        after = end + 1;
        return pos;
      }
    } else if (s[end - 1] != '/') {
      ++depth;
    }
    pos = end + 1;
  }
}

void emit_text(std::string_view text, const xml_text_handler& on_text) {
  if (text.empty()) return;
  // Decoded even when nobody listens: a bad reference is an error anywhere.
  std::string decoded = xml_decode_references(text);
  if (on_text) on_text(decoded);
}

}  // namespace

const std::string* xml_element::find_attribute(std::string_view wanted) const {
  for (const auto& a : attributes)
    if (a.name == wanted) return &a.value;
  return nullptr;
}

std::string xml_decode_references(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t pos = 0;
  for (;;) {
    size_t amp = text.find('&', pos);
    if (amp == std::string_view::npos) break;
    out.append(text, pos, amp - pos);
    size_t semi = text.find(';', amp + 1);
    if (semi == std::string_view::npos) fail("reference without \";\"");
    std::string_view name = text.substr(amp + 1, semi - amp - 1);
    if (name == "amp")
      out += '&';
    else if (name == "lt")
      out += '<';
    else if (name == "gt")
      out += '>';
    else if (name == "apos")
      out += '\'';
    else if (name == "quot")
      out += '"';
    else if (name.size() >= 2 && name[0] == '#' && (name[1] == 'x' || name[1] == 'X'))
      utf8_append(out, parse_code_point(name.substr(2), 16));
    else if (!name.empty() && name[0] == '#')
      utf8_append(out, parse_code_point(name.substr(1), 10));
    else if (!name.empty() && name[0] >= '0' && name[0] <= '9')
      // Older documents write "&65;" for "&#65;"; we read it the same way.
      utf8_append(out, parse_code_point(name, 10));
    else
      fail("unknown entity");
    pos = semi + 1;
  }
  out.append(text, pos);
  return out;
}

void xml_parse_content(std::string_view s, const xml_element_handler& on_element,
                       const xml_text_handler& on_text) {
  size_t pos = 0;
  while (pos < s.size()) {
    size_t lt = s.find('<', pos);
    emit_text(s.substr(pos, lt == std::string_view::npos ? std::string_view::npos : lt - pos),
              on_text);
    if (lt == std::string_view::npos) return;
    pos = lt;
    if (s.compare(pos, 4, "<!--") == 0) {
      size_t end = s.find("-->", pos + 4);
      if (end == std::string_view::npos) fail("unterminated comment");
      pos = end + 3;
      continue;
    }
    ++pos;
    size_t name_start = pos;
    while (pos < s.size() && !is_space(s[pos]) && s[pos] != '/' && s[pos] != '<' && s[pos] != '>')
      ++pos;
    if (pos == name_start) fail("tag without a name");
    // No CDATA, document type declarations or processing instructions here.
    if (s[name_start] == '!' || s[name_start] == '?') fail("unsupported markup");
    xml_element element;
    element.name = s.substr(name_start, pos - name_start);
    element.attributes = parse_attributes(s, pos, false);
    if (s[pos] == '/') {
      pos += 2;
    } else {
      ++pos;
      size_t after = 0;
      size_t end = find_element_end(s, pos, after);
      element.content = s.substr(pos, end - pos);
      pos = after;
    }
    if (on_element) on_element(element);
  }
}

void xml_parse_document(std::string_view s, const xml_element_handler& on_element,
                        const xml_text_handler& on_text) {
  if (s.substr(0, 3) == "\xEF\xBB\xBF") s.remove_prefix(3);
  // Checked once up front, so every view handed out below is well-formed UTF-8.
  if (!utf8_is_valid(s)) fail("invalid UTF-8");
  if (s.size() < 6 || s.substr(0, 5) != "<?xml" || !is_space(s[5])) fail("missing declaration");
  size_t pos = 5;
  for (const auto& a : parse_attributes(s, pos, true)) {
    if (a.name == "encoding" && !ascii_equal_nocase(a.value, "utf-8"))
      throw sonatrix_io::exception_io_data("Heathen character encodings not supported");
  }
  pos += 2;
  skip_space(s, pos);
  xml_parse_content(s.substr(pos), on_element, on_text);
}

}  // namespace lumo
