// XmlParser: turns install-script text into a tree of XmlNodes under a given root.
//
// A small, permissive, single-pass state machine over 8-bit bytes. It never rejects
// input and reports nothing; whatever it recognises becomes elements, attributes and
// texts, and shipped scripts rely on exactly how it reads malformed markup:
// - A "/" or "?" in a start tag closes its element, and the rest of the tag up to ">"
//   is skipped. An end tag closes the innermost open element of its name and every
//   element inside it, and is ignored when no open element has that name. "</a >"
//   (space before ">") closes nothing and adds an empty element named "a ". Unclosed
//   elements stay open and take in what follows.
// - Comments, declarations and processing instructions are ordinary start tags:
//   "<?xml v="1"?>" is an element "?xml" with its attributes, closed by its "?";
//   "<!-- x -->" is an element "!--" with valueless attributes "x" and "--" that stays
//   open.
// - Attribute values are double-quoted and kept as written (no references resolved);
//   after "x=" the value starts after the next double quote, wherever it is. No whitespace is
//   allowed around "=": in <a x = "1"/> the element gets three valueless attributes x, = and "1".
// - Element text loses its leading whitespace and keeps its trailing whitespace; each
//   piece of text or CDATA replaces the element's earlier text, so of "x<b/>y" only "y"
//   is kept. Whitespace-only text is never stored, nor text not followed by "<". Text
//   has its entity references resolved (DecodeText); CDATA is kept as written and ends
//   at the first "]]"; a CDATA section without "]]" empties the element's text. Text
//   outside every element goes to the root.
// - A name cut off by the end of the text creates nothing; a value without its closing
//   quote is not stored.
//
// The text is not copied: the parser points into it during Parse only and never reads
// past its last byte (not even the terminating zero). The tree owns copies of every
// name, value and text (equal short names and values share one, see NameTable); the
// parser uses no pointer into the text or the tree once Parse returns. Time and memory are linear
// in the size of the text, whatever it holds, and nothing recurses.
//
// Not thread-safe: one parser is used by one thread.
#pragma once

#include <cstdint>

#include "system/ansi_string.h"
#include "system/name_value_pair.h"
#include "xml/name_table.h"
#include "xml/open_elements.h"
#include "xml/parse_observer.h"
#include "xml/tree_size.h"
#include "xml/xml_node.h"

class XmlParser {
 public:
  XmlParser() = default;
  XmlParser(const XmlParser&) = delete;
  XmlParser& operator=(const XmlParser&) = delete;

  // Builds the tree of `text` under `root`, appending to root's children, and may be
  // called again (on any root). An empty text leaves the root unchanged. If a children
  // or attribute list cannot grow, parsing stops there and keeps what it has built.
  // REQUIRES: `root` has a null name; `text` stays unchanged during the call.
  void Parse(const AnsiString& text, XmlNode& root);
  // True when the last Parse stopped because a list could not grow: its tree is only a
  // part of the text's.
  bool ranOutOfMemory() const { return ranOutOfMemory_; }

  // Tells `observer` (borrowed; null for none, the default) where the elements and
  // attributes of later Parse calls begin. The tree is the same either way.
  void Observe(XmlParseObserver* observer) { observer_ = observer; }

  // Counts what Parse would build of `text`, building nothing: the same reading, step
  // for step, so that a caller can decline a script whose tree would not fit.
  static System::Xml::TreeSize Measure(const AnsiString& text);

 private:
  enum State : std::int32_t {
    BetweenMarkup = 0,   // outside any tag, expecting "<" or the start of a text
    TagName = 1,         // just after "<", reading a start-tag or end-tag name
    Content = 2,         // just after the ">" of a start tag, inside the element's content
    AttributeName = 3,   // inside a start tag, reading an attribute name or looking for its end
    AttributeValue = 4,  // inside the double quotes of an attribute value
    CData = 5,           // inside a CDATA section
  };
  enum TagKind : std::int32_t { NoTag = 0, StartTag = 1, EndTag = 2 };

  // One step per state. Each starts with `cursor` on the byte it examines (before
  // `end`) and leaves it on the byte where the next step begins, or at `end`.
  void StepBetweenMarkup();
  void StepTagName();
  void StepContent();
  void StepAttributeName();
  void StepAttributeValue();
  void StepCData();
  // Parse, or, with `size_` set, Measure.
  void Read(const AnsiString& text, XmlNode* root);

  // Moves `cursor` over whitespace; true, with `state` := target, when it stops on
  // another byte, false when it reaches `end`.
  bool SkipWhitespace(State target);
  // At "/", "?" or ">": closes the tag (and its element when `closing`), moves `cursor`
  // to the next ">" or `end`, sets the state after it and returns true. At any other
  // byte returns false and changes nothing.
  bool FinishTag();
  // Closes the element of the tag being read (a start tag) or the one its name
  // names (an end tag).
  void CloseElement();
  // The next step begins after `cursor`, or parsing ends when it is at `end`.
  void StepPastCursor() {
    if (cursor < end) ++cursor;
  }

  State state = BetweenMarkup;
  // 1 while the tag being read closes an element: an end tag, or a start tag in which a
  // "/" or "?" has been met.
  std::int32_t closing = 0;
  TagKind tagKind = NoTag;
  const char* cursor = nullptr;
  const char* end = nullptr;
  // The name, value or text being collected.
  const char* tokenStart = nullptr;
  const char* tokenEnd = nullptr;
  // The open element that receives new children, attributes and text; not owned.
  XmlNode* currentNode = nullptr;
  // The attribute that receives the next quoted value; not owned.
  NameValuePair* currentAttribute = nullptr;
  // The name of the end tag being matched, reused from one end tag to the next.
  AnsiString scratchName;
  // The chain from the root to currentNode, which end tags are matched against.
  System::Xml::OpenElements openElements_;
  // Not owned; null unless a tool asked where things begin.
  XmlParseObserver* observer_ = nullptr;
  bool ranOutOfMemory_ = false;
  // The names and values of the running Parse call; null outside it.
  System::Xml::NameTable* names_ = nullptr;
  // Set while Measure counts instead of building; then no element is touched.
  System::Xml::TreeSize* size_ = nullptr;
};
