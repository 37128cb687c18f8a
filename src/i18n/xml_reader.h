#pragma once
// A small, strict reader for the language documents. It accepts one narrow subset of XML
// (UTF-8 only, double-quoted attributes, five named entities, numeric references,
// comments) and rejects everything else with sonatrix_io::exception_io_data, so a
// document that works here works everywhere we ship it.
//
// The reader is not a tree builder: it hands each top-level element of a run of content
// to a callback with its raw content, and the callback parses that content again for the
// children it cares about. Elements it does not care about cost one scan.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace lumo {

struct xml_attribute {
  std::string name;
  std::string value;  // references decoded
};

struct xml_element {
  std::string_view name;
  std::vector<xml_attribute> attributes;
  // The raw bytes between the opening and the closing tag (empty for "<x/>"); feed them to
  // xml_parse_content to reach the children. Points into the caller's document.
  std::string_view content;

  // The value of the first attribute called name, or null.
  const std::string* find_attribute(std::string_view name) const;
};

// Called for each element of a run of content; an empty handler skips them.
using xml_element_handler = std::function<void(const xml_element&)>;
// Called for each text run between tags, references decoded; an empty handler drops them.
using xml_text_handler = std::function<void(const std::string&)>;

// Parses a whole document: optional UTF-8 byte-order mark, the "<?xml ...?>" declaration
// (required; an encoding other than utf-8 is refused), then its content. Throws
// sonatrix_io::exception_io_data on anything outside the accepted subset.
void xml_parse_document(std::string_view document, const xml_element_handler& on_element,
                        const xml_text_handler& on_text = {});

// Parses a run of content (text, comments, elements): the top level of a document or what
// an element handler received. Throws sonatrix_io::exception_io_data.
void xml_parse_content(std::string_view content, const xml_element_handler& on_element,
                       const xml_text_handler& on_text = {});

// Replaces the references of text ("&amp;", "&#65;", "&#x41;", "&65;") by what they
// stand for. Throws sonatrix_io::exception_io_data on an unknown name, a missing ";" or a
// number that is not a Unicode scalar value.
std::string xml_decode_references(std::string_view text);

}  // namespace lumo
