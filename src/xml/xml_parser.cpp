#include "xml/xml_parser.h"

#include <array>
#include <cstring>

#include "memory/block_heap.h"
#include "xml/decode_text.h"

namespace {

// Byte classes; nothing else counts.
constexpr unsigned char kWhitespace = 1;         // space, tab, line feed, carriage return
constexpr unsigned char kEndsTagName = 2;        // whitespace, ">" and "/"
constexpr unsigned char kEndsAttributeName = 4;  // whitespace, "=", ">" and "/"

constexpr std::array<unsigned char, 256> kByteClasses = [] {
  std::array<unsigned char, 256> classes{};
  for (const unsigned char c : {' ', '\t', '\n', '\r'}) {
    classes[c] = kWhitespace | kEndsTagName | kEndsAttributeName;
  }
  classes['>'] = kEndsTagName | kEndsAttributeName;
  classes['/'] = kEndsTagName | kEndsAttributeName;
  classes['='] = kEndsAttributeName;
  return classes;
}();

bool Is(char byte, unsigned char byteClass) {
  return (kByteClasses[static_cast<unsigned char>(byte)] & byteClass) != 0;
}

// The first byte of [p, end) in `byteClass`, or `end`.
const char* ScanTo(const char* p, const char* end, unsigned char byteClass) {
  while (p < end && !Is(*p, byteClass)) ++p;
  return p;
}

// The first `byte` in [p, end), or `end`.
const char* Find(const char* p, const char* end, char byte) {
  const void* found = std::memchr(p, byte, static_cast<std::size_t>(end - p));
  return found == nullptr ? end : static_cast<const char*>(found);
}

constexpr char kCDataOpener[] = "![CDATA[";
constexpr std::ptrdiff_t kCDataOpenerLength = sizeof kCDataOpener - 1;

std::int32_t Count(const char* start, const char* stop) {
  return static_cast<std::int32_t>(stop - start);
}

// The memory of a text's buffer of `count` bytes and its zero.
std::int64_t TextFootprint(std::int32_t count) {
  return static_cast<std::int64_t>(System::BlockFootprint(static_cast<std::size_t>(count) + 1));
}

}  // namespace

void XmlParser::Parse(const AnsiString& text, XmlNode& root) { Read(text, &root); }

System::Xml::TreeSize XmlParser::Measure(const AnsiString& text) {
  System::Xml::TreeSize size;
  XmlParser parser;
  parser.size_ = &size;
  parser.Read(text, nullptr);
  return size;
}

void XmlParser::Read(const AnsiString& text, XmlNode* root) {
  state = BetweenMarkup;
  closing = 0;
  tagKind = NoTag;
  cursor = text.data;
  end = text.data;
  tokenStart = nullptr;
  tokenEnd = nullptr;
  currentNode = root;
  currentAttribute = nullptr;
  ranOutOfMemory_ = false;
  if (text.data == nullptr || text.length <= 0) return;
  end = text.data + text.length;

  System::Xml::NameTable names(size_ != nullptr);
  names_ = &names;
  if (root != nullptr) openElements_.Reset(*root);
  while (cursor < end) {
    switch (state) {
      case BetweenMarkup:
        StepBetweenMarkup();
        break;
      case TagName:
        StepTagName();
        break;
      case Content:
        StepContent();
        break;
      case AttributeName:
        StepAttributeName();
        break;
      case AttributeValue:
        StepAttributeValue();
        break;
      case CData:
        StepCData();
        break;
    }
  }
  if (root != nullptr) openElements_.Release();
  names_ = nullptr;
}

bool XmlParser::SkipWhitespace(State target) {
  while (cursor < end && Is(*cursor, kWhitespace)) ++cursor;
  if (cursor == end) return false;
  state = target;
  return true;
}

bool XmlParser::FinishTag() {
  if (cursor == end) return false;  // nothing past the text ends a tag
  const char byte = *cursor;
  if (byte == '/' || byte == '?') {
    closing = 1;
  } else if (byte != '>') {
    return false;
  }
  if (closing != 0) CloseElement();
  cursor = Find(cursor, end, '>');
  state = cursor != end && closing == 0 ? Content : BetweenMarkup;
  return true;
}

void XmlParser::CloseElement() {
  if (size_ != nullptr) return;  // counting is the same wherever content goes
  if (tagKind == EndTag) {
    scratchName.Assign(tokenStart, Count(tokenStart, tokenEnd));
    currentNode = openElements_.Close(scratchName.data);
  } else {
    // A start tag closes its own element, the innermost one.
    currentNode = openElements_.CloseInnermost();
  }
}

void XmlParser::StepBetweenMarkup() {
  if (!SkipWhitespace(TagName)) return;
  if (*cursor != '<') {
    state = Content;  // a text begins here
    return;
  }
  tokenStart = cursor + 1;
  state = TagName;
  closing = 0;
  tagKind = NoTag;
  if (end - tokenStart >= kCDataOpenerLength &&
      std::memcmp(tokenStart, kCDataOpener, kCDataOpenerLength) == 0) {
    tokenStart += kCDataOpenerLength;
    state = CData;
  }
  cursor = tokenStart;
}

void XmlParser::StepTagName() {
  if (*cursor == '/') {
    tokenStart = cursor + 1;
    tagKind = EndTag;
    closing = 1;
    ++cursor;
  } else {
    // Also after "</name" and whitespace, which was no end tag after all: the name so
    // far, the whitespace included, becomes the name of a new element.
    tagKind = StartTag;
  }
  cursor = ScanTo(cursor, end, kEndsTagName);
  if (cursor == end) return;  // a name cut off by the end of the text
  tokenEnd = cursor;

  if (tagKind == StartTag) {
    if (size_ != nullptr) {
      ++size_->elements;
      size_->stringBytes += names_->Measure(tokenStart, Count(tokenStart, tokenEnd));
    } else {
      XmlNode* element = currentNode->children.AddNew();
      if (element == nullptr) {
        ranOutOfMemory_ = true;
        cursor = end;
        return;
      }
      names_->Assign(element->name, tokenStart, Count(tokenStart, tokenEnd));
      if (observer_ != nullptr) observer_->ElementStarted(*element, tokenStart);
      openElements_.Open(*element);
      currentNode = element;
    }
    if (Is(*cursor, kWhitespace)) {
      if (!SkipWhitespace(AttributeName)) return;
      tokenStart = cursor;  // the first attribute name
    }
  }
  // For an end tag followed by whitespace this does nothing and the state stays.
  FinishTag();
  StepPastCursor();
}

void XmlParser::StepContent() {
  if (Is(*cursor, kWhitespace) && !SkipWhitespace(Content)) return;
  if (*cursor != '<') {
    tokenStart = cursor;
    cursor = Find(cursor, end, '<');
    if (cursor == end) return;  // text not followed by "<" is not stored
    tokenEnd = cursor;
    if (size_ != nullptr) {
      size_->stringBytes += TextFootprint(Count(tokenStart, tokenEnd));
    } else {
      System::Xml::DecodeText(tokenStart, Count(tokenStart, tokenEnd), currentNode->text);
    }
  }
  state = BetweenMarkup;  // which begins at the "<"
}

void XmlParser::StepAttributeName() {
  cursor = ScanTo(cursor, end, kEndsAttributeName);
  if (cursor == end) return;
  tokenEnd = cursor;
  if (size_ != nullptr) {
    ++size_->attributes;
    size_->stringBytes += names_->Measure(tokenStart, Count(tokenStart, tokenEnd));
  } else {
    // Named through the table, so that recurring names share a buffer.
    currentAttribute = currentNode->attributes.AddNew(nullptr, 0);
    if (currentAttribute == nullptr) {
      ranOutOfMemory_ = true;
      cursor = end;
      return;
    }
    names_->Assign(currentAttribute->name, tokenStart, Count(tokenStart, tokenEnd));
    if (observer_ != nullptr) {
      observer_->AttributeStarted(*currentNode, *currentAttribute, tokenStart);
    }
  }
  if (*cursor == '=') {
    // Whatever stands between "=" and the next double quote is skipped.
    cursor = Find(cursor + 1, end, '"');
    if (cursor == end) return;
    tokenStart = cursor + 1;
    state = AttributeValue;
    cursor = tokenStart;
    return;
  }
  SkipWhitespace(AttributeName);
  if (!FinishTag()) tokenStart = cursor;  // the next attribute name
  StepPastCursor();
}

void XmlParser::StepAttributeValue() {
  cursor = Find(cursor, end, '"');
  if (cursor == end) return;  // the attribute keeps no value
  tokenEnd = cursor;
  if (size_ != nullptr) {
    size_->stringBytes += names_->Measure(tokenStart, Count(tokenStart, tokenEnd));
  } else {
    names_->Assign(currentAttribute->value, tokenStart, Count(tokenStart, tokenEnd));
  }
  ++cursor;
  if (!SkipWhitespace(AttributeName)) return;
  tokenStart = cursor;
  FinishTag();
  StepPastCursor();
}

void XmlParser::StepCData() {
  // The section ends at the first "]]", whatever follows it.
  const char* close = Find(cursor, end, ']');
  while (close != end && (close + 1 == end || close[1] != ']')) close = Find(close + 1, end, ']');
  if (close == end) {
    if (size_ != nullptr) {
      size_->stringBytes += TextFootprint(0);
    } else {
      currentNode->text.Assign(tokenStart, 0);  // the empty string
    }
    cursor = end;
    return;
  }
  tokenEnd = close;
  if (size_ != nullptr) {
    size_->stringBytes += TextFootprint(Count(tokenStart, tokenEnd));
  } else {
    currentNode->text.Assign(tokenStart, Count(tokenStart, tokenEnd));
  }
  state = BetweenMarkup;
  // The byte after "]]", normally the ">" of the section, is passed over.
  cursor = close + 2;
  StepPastCursor();
}
