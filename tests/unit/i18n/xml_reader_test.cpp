#include "i18n/xml_reader.h"

#include <gtest/gtest.h>

#include "core/exceptions.h"

namespace lumo {
namespace {

struct parsed {
  std::vector<std::string> names;
  std::vector<std::vector<xml_attribute>> attributes;
  std::vector<std::string> contents;
  std::string text;
};

parsed parse(std::string_view document) {
  parsed p;
  xml_parse_document(
      document,
      [&](const xml_element& e) {
        p.names.emplace_back(e.name);
        p.attributes.push_back(e.attributes);
        p.contents.emplace_back(e.content);
      },
      [&](const std::string& t) { p.text += t; });
  return p;
}

bool rejected(std::string_view document) {
  try {
    parse(document);
  } catch (const sonatrix_io::exception_io_data&) {
    return true;
  }
  return false;
}

TEST(xml_reader, reads_declaration_elements_attributes_and_comments) {
  auto p = parse(
      "\xEF\xBB\xBF<?xml version=\"1.0\"\tencoding=\"UTF-8\" ?>\r\n"
      "<!-- a <comment> -->"
      "<a x=\"1\" y=\"two words\"><b/><c>inner</c><!-- </a> --></a>tail<d/>");
  ASSERT_EQ(p.names, (std::vector<std::string>{"a", "d"}));
  ASSERT_EQ(p.attributes[0].size(), 2u);
  EXPECT_EQ(p.attributes[0][1].name, "y");
  EXPECT_EQ(p.attributes[0][1].value, "two words");
  // Content is handed over raw, comments and all, for the handler to parse again.
  EXPECT_EQ(p.contents[0], "<b/><c>inner</c><!-- </a> -->");
  EXPECT_EQ(p.text, "tail");

  // Nesting is counted, closing names are not compared, "/>" does not nest.
  auto n = parse("<?xml version=\"1.0\"?><x><x><y/></z></q>after");
  EXPECT_EQ(n.contents[0], "<x><y/></z>");
  EXPECT_EQ(n.text, "after");

  // The declaration needs no attributes at all, and "encoding" is optional.
  EXPECT_NO_THROW(parse("<?xml ?>"));
  EXPECT_NO_THROW(parse("<?xml version=\"1.0\"?><a q=\"a>b\">x</a>"));
}

TEST(xml_reader, decodes_references_in_text_and_attributes) {
  // Decimal, hexadecimal and the bare-digit form all name the letter A.
  EXPECT_EQ(xml_decode_references("&#65;&#x41;&#X41;&65;"), "AAAA");
  EXPECT_EQ(xml_decode_references("&amp;&lt;&gt;&apos;&quot;"), "&<>'\"");
  EXPECT_EQ(xml_decode_references("&#x20AC; &#128512;"), "\xE2\x82\xAC \xF0\x9F\x98\x80");
  auto p = parse("<?xml version=\"1.0\"?><e t=\"a &amp; b &#65;\"/>x &lt; y");
  EXPECT_EQ(p.attributes[0][0].value, "a & b A");
  EXPECT_EQ(p.text, "x < y");

  for (const char* bad : {"&nbsp;", "&amp", "& x", "&#;", "&#x;", "&#12a;", "&#0;", "&#xD800;",
                          "&#x110000;", "&#99999999999999999999;"}) {
    EXPECT_THROW(xml_decode_references(bad), sonatrix_io::exception_io_data) << bad;
  }
}

TEST(xml_reader, rejects_what_is_outside_the_subset) {
  try {
    parse("<?xml version=\"1.0\" encoding=\"windows-1252\"?><a/>");
    FAIL() << "a foreign encoding was accepted";
  } catch (const sonatrix_io::exception_io_data& e) {
    EXPECT_STREQ(e.what(), "Heathen character encodings not supported");
  }
  const char* bad[] = {
      "",
      "<a/>",                                        // no declaration
      "<?xml",                                       // too short
      "<?xml\x01",                                   // unterminated declaration
      "<?xmlversion=\"1.0\"?>",                      // no space after "<?xml"
      "<?xml version='1.0'?>",                       // single quotes
      "<?xml version=\"1.0\" ver-sion=\"x\"?>",      // name outside letters and digits
      "<?xml version=\"1.0\"?><a x='1'/>",           // single-quoted attribute
      "<?xml version=\"1.0\"?><a x=1/>",             // unquoted attribute
      "<?xml version=\"1.0\"?><a x=\"1\"y=\"2\"/>",  // attributes not separated
      "<?xml version=\"1.0\"?><a x/>",               // attribute without value
      "<?xml version=\"1.0\"?><a>",                  // never closed
      "<?xml version=\"1.0\"?><a><b></a>",           // inner element left open
      "<?xml version=\"1.0\"?><!-- open",            // unterminated comment
      "<?xml version=\"1.0\"?><![CDATA[x]]>",        // no CDATA
      "<?xml version=\"1.0\"?><!DOCTYPE a><a/>",     // no document type
      "<?xml version=\"1.0\"?><?pi x?><a/>",         // no later processing instructions
      "<?xml version=\"1.0\"?></a>",                 // stray closing tag
      "<?xml version=\"1.0\"?>< a/>",                // tag without a name
      "<?xml version=\"1.0\"?><a/>&bogus;",          // unknown entity in text
      "<?xml version=\"1.0\"?><a x=\"&amp\"/>",      // reference without ";"
      "<?xml version=\"1.0\"?><a>\xC3</a>",          // truncated UTF-8 sequence
      "<?xml version=\"1.0\"?><a x=\"\xC0\xAF\"/>",  // overlong UTF-8
      "<?xml version=\"1.0\"?><a>\xED\xA0\x80</a>",  // UTF-8 encoded surrogate
  };
  for (const char* doc : bad) EXPECT_TRUE(rejected(doc)) << doc;
}

}  // namespace
}  // namespace lumo
