#include "xml/xml_parser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testing/tree_text.h"

namespace {

AnsiString Script(const char* text) { return AnsiString(text); }

TEST(XmlParserTest, ElementsAttributesAndText) {
  EXPECT_EQ(Parsed(R"(<a><b x="1" y="2"/><c>t</c></a>)"), R"((a(b[x=1,y=2],c"t")))");
  EXPECT_EQ(Parsed(R"(<a x="1"y="2"/>)"), "(a[x=1,y=2])");
  EXPECT_EQ(Parsed(R"(<a x="" y="&amp; b"/>)"), "(a[x=,y=&amp; b])");
  EXPECT_EQ(Parsed("<a\tx=\"1\"\r\n/>"), "(a[x=1])");
}

TEST(XmlParserTest, ParentsAndOwners) {
  XmlNode root(nullptr);
  XmlParser parser;
  parser.Parse(Script("<a><b/></a>"), root);
  XmlNode* a = root.children.ItemAt(0);
  XmlNode* b = a->children.ItemAt(0);
  EXPECT_EQ(a->parent, &root);
  EXPECT_EQ(b->parent, a);
  EXPECT_EQ(b->children.owner, b);
  EXPECT_EQ(root.parent, nullptr);
}

TEST(XmlParserTest, TextKeepsTrailingWhitespaceOnly) {
  EXPECT_EQ(Parsed("<a>\n  hi there </a>"), R"((a"hi there "))");
  EXPECT_EQ(Parsed("<a>x\n\ty\r\n</a>"), R"((a"x\x0a\x09y\x0d\x0a"))");
  EXPECT_EQ(Parsed("<a> \r\n\t </a>"), "(a)");  // whitespace only: not stored
}

TEST(XmlParserTest, LaterTextReplacesEarlierText) {
  EXPECT_EQ(Parsed("<a>x<b/>y</a>"), R"((a"y"(b)))");
  EXPECT_EQ(Parsed("<a>x<b/>  </a>"), R"((a"x"(b)))");
  EXPECT_EQ(Parsed("<a>x<![CDATA[c]]></a>"), R"((a"c"))");
}

TEST(XmlParserTest, TextOutsideElements) {
  EXPECT_EQ(Parsed("hello<a/>"), R"("hello"(a))");
  EXPECT_EQ(Parsed("\xEF\xBB\xBF<a/>"), R"("\xef\xbb\xbf"(a))");  // a UTF-8 BOM is text
  EXPECT_EQ(Parsed("<a/>tail"), "(a)");                           // no "<" after it
  EXPECT_EQ(Parsed("<a>tail"), "(a)");
  EXPECT_EQ(Parsed("<a/>x<b/>"), R"("x"(a,b))");
  EXPECT_EQ(Parsed("\xC3\xA9<\xC3\xA9/>"), R"("\xc3\xa9"(\xc3\xa9))");  // bytes pass through
}

TEST(XmlParserTest, EntitiesInTextButNotInAttributes) {
  XmlNode root(nullptr);
  XmlParser parser;
  parser.Parse(Script(R"(<a v="&amp;">&lt;&copy;&nbsp;&ndash;&#65;&foo;</a>)"), root);
  XmlNode* a = root.children.ItemAt(0);
  EXPECT_STREQ(a->GetAttribute("v"), "&amp;");
  EXPECT_EQ(a->text.length, 12);
  EXPECT_STREQ(a->text.data, "<(c) -A&foo;");

  EXPECT_EQ(Parsed("<a>&#321;</a>"), R"((a"A"))");  // the low 8 bits
  EXPECT_EQ(Parsed("<a>&lt</a>"), R"((a"&lt"))");   // no ";": as written
  EXPECT_EQ(Parsed("<a>1&#0;2&#-5;3&#;4&#x41;5</a>"), R"((a"12345"))");
}

TEST(XmlParserTest, CDataIsKeptAsWritten) {
  EXPECT_EQ(Parsed("<a><![CDATA[x<y&amp;]]></a>"), R"((a"x<y&amp;"))");
  EXPECT_EQ(Parsed("<a><![CDATA[]]></a>"), R"((a""))");
  EXPECT_EQ(Parsed("<![CDATA[r]]>"), R"("r")");
  // The section ends at the first "]]"; the byte after it is passed over and the rest
  // is text that replaces the section.
  EXPECT_EQ(Parsed("<a><![CDATA[x]]y]]></a>"), R"((a"]]>"))");
  EXPECT_EQ(Parsed("<a><![CDATA[x]]></a><b/>"), R"((a"x",b))");
}

TEST(XmlParserTest, DeclarationsAndComments) {
  EXPECT_EQ(Parsed(R"(<?xml version="1.0" encoding="utf-8"?><r/>)"),
            "(?xml[version=1.0,encoding=utf-8],r)");
  // A comment stays open and takes in what follows, until an end tag above it.
  EXPECT_EQ(Parsed("<a><!-- note --><b/></a><c/>"), "(a(!--[note,--](b)),c)");
  EXPECT_EQ(Parsed("<!DOCTYPE x><a/>"), "(!DOCTYPE[x](a))");
}

TEST(XmlParserTest, NoWhitespaceAroundEquals) {
  EXPECT_EQ(Parsed(R"(<a x = "1"/>)"), R"((a[x,=,"1"]))");
  EXPECT_EQ(Parsed(R"(<a ="v"/>)"), R"((a[="v"]))");
  // After "=" the value starts at the next double quote, wherever it is.
  EXPECT_EQ(Parsed(R"(<a x='1' y="2"/><b/>)"), "(a[x=2],b)");
  EXPECT_EQ(Parsed(R"(<a x y/>)"), "(a[x,y])");
}

TEST(XmlParserTest, EndTags) {
  EXPECT_EQ(Parsed("<r><a></a ></r><z/>"), "(r(a(a )),z)");  // "</a >" does not close
  EXPECT_EQ(Parsed("<a></x><b/>"), "(a(b))");                // matches nothing: ignored
  EXPECT_EQ(Parsed("<a><b><c></a><d/>"), "(a(b(c)),d)");     // closes every level between
  EXPECT_EQ(Parsed("<a><a><b></a><c/>"), "(a(a(b),c))");     // the innermost of the name
  EXPECT_EQ(Parsed("<a></A><b/>"), "(a(b))");                // case-sensitive
  EXPECT_EQ(Parsed("<a/b><c/>"), "(a,c)");                   // "/" closes the start tag
  EXPECT_EQ(Parsed(R"(<a x="1" / y="2"><b/>)"), "(a[x=1],b)");
  EXPECT_EQ(Parsed("<a></a/b><c/>"), "(a,c)");
}

TEST(XmlParserTest, EmptyNames) {
  EXPECT_EQ(Parsed("<><b/></><c/>"), "((b),c)");
  EXPECT_EQ(Parsed("< a><b/>"), "([a](b))");
}

TEST(XmlParserTest, TextCutOffByTheEnd) {
  EXPECT_EQ(Parsed("<abc"), "");
  EXPECT_EQ(Parsed("<"), "");
  EXPECT_EQ(Parsed("<a><"), "(a)");
  EXPECT_EQ(Parsed("<a></a"), "(a)");
  EXPECT_EQ(Parsed("<a></"), "(a)");
  EXPECT_EQ(Parsed("<a x"), "(a)");
  EXPECT_EQ(Parsed("<a x "), "(a[x])");
  EXPECT_EQ(Parsed("<a x="), "(a[x])");
  EXPECT_EQ(Parsed(R"(<a x=")"), "(a[x])");
  EXPECT_EQ(Parsed(R"(<a x="1)"), "(a[x])");
  EXPECT_EQ(Parsed(R"(<a x="1")"), "(a[x=1])");
  EXPECT_EQ(Parsed(R"(<a x="1" )"), "(a[x=1])");
  EXPECT_EQ(Parsed("<a "), "(a)");
  EXPECT_EQ(Parsed("<a>text"), "(a)");
  EXPECT_EQ(Parsed("<a>t<![CDATA[xyz]"), R"((a""))");  // no "]]": the text is emptied
  EXPECT_EQ(Parsed("<a>t<![CDATA["), R"((a"t"))");     // no byte after the opener
  EXPECT_EQ(Parsed("<a>t<![CDA"), R"((a"t"))");        // a name cut off
}

TEST(XmlParserTest, EmptyTextLeavesTheRootUnchanged) {
  XmlNode root(nullptr);
  XmlParser parser;
  parser.Parse(Script("x<a/>"), root);
  parser.Parse(AnsiString(), root);
  parser.Parse(Script(""), root);
  EXPECT_EQ(TreeText(root), R"("x"(a))");
}

TEST(XmlParserTest, ParseAgainStartsAfresh) {
  XmlParser parser;
  XmlNode first(nullptr);
  parser.Parse(Script(R"(<a><b x="1)"), first);  // stops inside a value
  XmlNode second(nullptr);
  parser.Parse(Script("<c>t</c><d/>"), second);
  EXPECT_EQ(TreeText(first), "(a(b[x]))");
  EXPECT_EQ(TreeText(second), R"((c"t",d))");
  parser.Parse(Script("<e/></a>"), first);  // appends; the old elements are not open
  EXPECT_EQ(TreeText(first), "(a(b[x]),e)");
}

TEST(XmlParserTest, DeepHostileChainKeepsItsResults) {
  // Unmatched end tags between and after deep unclosed elements are ignored; a later
  // matching one still closes everything inside its element.
  std::string text;
  for (int i = 0; i < 200; ++i) text += "<a><b></x>";
  text += "</y></a><c/>";
  XmlNode root(nullptr);
  XmlParser parser;
  parser.Parse(Script(text.c_str()), root);
  XmlNode* b = root.children.ItemAt(0)->children.ItemAt(0);
  for (int i = 1; i < 199; ++i) b = b->children.ItemAt(0)->children.ItemAt(0);
  ASSERT_EQ(b->children.Count(), 2);  // the last <a> and, after it was closed, <c/>
  EXPECT_EQ(TreeText(*b), "b(a(b),c)");
}

TEST(XmlParserTest, MeasureCountsWhatParseBuilds) {
  const char* const scripts[] = {
      R"(<a><b x="1" y="2"/><c>t</c></a>)",
      R"(<a x="1"y="2"/><a x = "1"/>)",
      "<?xml v=\"1\"?><!-- x --><a>",
      R"(<a x="1" / y="2"><b/></a/b><c/>)",
      "<><b/></><c/>< a><b/></a ><x></y>",
      "<a x=\"1",
      "<a x ",
      "<a>t<![CDATA[xyz]]><b>u</b>v",
      "<a>t<![CDATA[xyz]",
      "x<a/>y",
      R"(<Files><File name="a.txt" destination="%AppPath%\x"/><File name="b.txt" destination="%AppPath%\x"/></Files>)",
  };
  for (const char* script : scripts) {
    XmlNode root(nullptr);
    XmlParser parser;
    parser.Parse(Script(script), root);
    std::int64_t elements = 0;
    std::int64_t attributes = 0;
    std::vector<XmlNode*> pending{&root};
    while (!pending.empty()) {
      XmlNode* node = pending.back();
      pending.pop_back();
      attributes += node->attributes.Count();
      for (std::int32_t i = 0; i < node->children.Count(); ++i) {
        ++elements;
        pending.push_back(node->children.ItemAt(i));
      }
    }
    const System::Xml::TreeSize size = XmlParser::Measure(Script(script));
    EXPECT_EQ(size.elements, elements) << script;
    EXPECT_EQ(size.attributes, attributes) << script;
    EXPECT_GT(size.Bytes(), 0) << script;
  }
  EXPECT_EQ(XmlParser::Measure(AnsiString()).Bytes(), 0);
}

TEST(XmlParserTest, MillionNestedElements) {
  constexpr int kDepth = 1'000'000;
  std::string text;
  text.reserve(kDepth * 3 + 8);
  for (int i = 0; i < kDepth - 1; ++i) text += "<a>";
  text += "<z/>";
  auto root = std::make_unique<XmlNode>(nullptr);
  XmlParser parser;
  parser.Parse(Script(text.c_str()), *root);
  EXPECT_EQ(root->FindByName("absent"), nullptr);
  XmlNode* bottom = root->FindByName("z");
  ASSERT_NE(bottom, nullptr);
  int depth = 0;
  for (XmlNode* node = bottom; node->parent != nullptr; node = node->parent) ++depth;
  EXPECT_EQ(depth, kDepth);
  root.reset();  // no recursion: the sanitizer build would overflow the stack otherwise
}

}  // namespace
