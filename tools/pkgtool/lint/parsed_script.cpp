#include "lint/parsed_script.h"

#include <algorithm>
#include <cstring>

#include "ce_path.h"
#include "code_page.h"
#include "install/script_words.h"
#include "xml/parse_observer.h"

namespace pkgtool {

namespace {

unsigned char FoldCase(unsigned char byte) {
  // Windows-1252: A-Z and the Latin-1 capitals (but the multiplication sign) fold.
  if ((byte >= 'A' && byte <= 'Z') || (byte >= 0xC0 && byte <= 0xDE && byte != 0xD7)) {
    return static_cast<unsigned char>(byte + 0x20);
  }
  return byte;
}

AnsiString Narrow(std::string_view text) {
  AnsiString narrow;
  narrow.Assign(text.data(), static_cast<std::int32_t>(text.size()));
  return narrow;
}

}  // namespace

String Wide(std::u16string_view text) {
  String wide;
  wide.Assign(reinterpret_cast<const WCHAR*>(text.data()), static_cast<std::int32_t>(text.size()));
  return wide;
}

std::u16string FromWide(const String& text) {
  if (text.data == nullptr) return {};
  return std::u16string(reinterpret_cast<const char16_t*>(text.data),
                        static_cast<std::size_t>(text.length));
}

std::string Display(const char* narrow) {
  return narrow == nullptr ? "" : Display(std::string_view(narrow));
}
std::string Display(std::string_view narrow) { return emu::Utf16ToUtf8(emu::AnsiToUtf16(narrow)); }

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (FoldCase(static_cast<unsigned char>(a[i])) != FoldCase(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

const NameValuePair* FindAttribute(XmlNode& element, std::string_view name) {
  for (std::int32_t i = 0; i < element.attributes.Count(); ++i) {
    const NameValuePair* pair = element.attributes.ItemAt(i);
    if (TextOf(pair->name) == name) return pair;
  }
  return nullptr;
}

std::vector<XmlNode*> ElementsBelow(XmlNode& root) {
  std::vector<XmlNode*> elements;
  std::vector<std::pair<XmlNode*, std::int32_t>> stack{{&root, 0}};
  while (!stack.empty()) {
    auto& [node, next] = stack.back();
    if (next >= node->children.Count()) {
      stack.pop_back();
      continue;
    }
    XmlNode* child = node->children.ItemAt(next++);
    elements.push_back(child);
    stack.emplace_back(child, 0);
  }
  return elements;
}

// Keeps the offsets the parser tells, relative to the start of the text.
class ParsedScript::Recorder : public XmlParseObserver {
 public:
  Recorder(const char* begin, std::unordered_map<const void*, std::int32_t>& offsets)
      : begin_(begin), offsets_(offsets) {}
  void ElementStarted(const XmlNode& element, const char* name) override {
    std::int32_t offset = static_cast<std::int32_t>(name - begin_);
    if (offset > 0 && begin_[offset - 1] == '<') --offset;
    offsets_[&element] = offset;
  }
  void AttributeStarted(const XmlNode& /*element*/, const NameValuePair& attribute,
                        const char* name) override {
    offsets_[&attribute] = static_cast<std::int32_t>(name - begin_);
  }

 private:
  const char* begin_;
  std::unordered_map<const void*, std::int32_t>& offsets_;
};

ParsedScript::ParsedScript(std::string text) : text_(std::move(text)) {
  lineStarts_.push_back(0);
  for (std::size_t i = 0; i < text_.size(); ++i) {
    if (text_[i] == '\n') lineStarts_.push_back(i + 1);
  }
  const AnsiString narrow = Narrow(text_);
  Recorder recorder(narrow.data, offsets_);
  engine_ = std::make_unique<InstallScript>(narrow, nullptr,
                                            InstallScript::Setting{.parsing = &recorder});
}

std::int32_t ParsedScript::OffsetOf(const XmlNode& element) const {
  const auto found = offsets_.find(&element);
  return found == offsets_.end() ? -1 : found->second;
}

std::int32_t ParsedScript::OffsetOf(const NameValuePair& attribute) const {
  const auto found = offsets_.find(&attribute);
  return found == offsets_.end() ? -1 : found->second;
}

std::int32_t ParsedScript::EndOfName(const NameValuePair& attribute) const {
  const std::int32_t offset = OffsetOf(attribute);
  return offset < 0 ? -1 : offset + attribute.name.length;
}

Finding ParsedScript::At(std::int32_t offset, Severity severity, std::string code,
                         std::string message) const {
  Finding finding;
  finding.severity = severity;
  finding.code = std::move(code);
  finding.message = std::move(message);
  if (offset < 0 || static_cast<std::size_t>(offset) > text_.size()) return finding;
  const auto line =
      std::upper_bound(lineStarts_.begin(), lineStarts_.end(), static_cast<std::size_t>(offset)) -
      1;
  const std::size_t lineStart = *line;
  std::size_t lineEnd = text_.find('\n', offset);
  if (lineEnd == std::string::npos) lineEnd = text_.size();
  if (lineEnd > lineStart && text_[lineEnd - 1] == '\r') --lineEnd;
  finding.line = 1 + static_cast<std::int32_t>(line - lineStarts_.begin());
  finding.column = 1 + offset - static_cast<std::int32_t>(lineStart);
  // A long line is shown around the place only, marked "..." where it is cut.
  constexpr std::size_t kBefore = 60;
  constexpr std::size_t kAfter = 100;
  const std::size_t shownStart = offset - lineStart > kBefore ? offset - kBefore : lineStart;
  const std::size_t shownEnd = lineEnd - offset > kAfter ? offset + kAfter : lineEnd;
  const std::string cutBefore = shownStart > lineStart ? "..." : "";
  finding.sourceLine = cutBefore +
                       Display(std::string_view(text_).substr(shownStart, shownEnd - shownStart)) +
                       (shownEnd < lineEnd ? "..." : "");
  // One blank per byte: every byte is one character of the device code page.
  finding.caret = std::string(cutBefore.size(), ' ');
  for (std::size_t i = shownStart; i < static_cast<std::size_t>(offset); ++i) {
    finding.caret += text_[i] == '\t' ? '\t' : ' ';
  }
  finding.caret += '^';
  return finding;
}

Finding ParsedScript::At(const XmlNode& element, Severity severity, std::string code,
                         std::string message) const {
  return At(OffsetOf(element), severity, std::move(code), std::move(message));
}

Finding ParsedScript::At(const NameValuePair& attribute, Severity severity, std::string code,
                         std::string message) const {
  return At(OffsetOf(attribute), severity, std::move(code), std::move(message));
}

std::string ParsedScript::Describe(XmlNode& element) const {
  if (IsFileEntry(element)) {
    const char* name = element.GetAttribute(script_words::kName);
    return name == nullptr ? "file entry <" + Display(element.name.data) + "> without a name"
                           : "file entry \"" + Display(name) + "\"";
  }
  if (IsAction(element)) {
    const char* type = element.GetAttribute(script_words::kType);
    const char* event = element.GetAttribute(script_words::kEvent);
    std::string text =
        "action " + (type == nullptr ? "<" + Display(element.name.data) + ">" : Display(type));
    if (event != nullptr) text += " (" + Display(event) + ")";
    return text;
  }
  return "<" + Display(element.name.data) + ">";
}

std::u16string ParsedScript::ExpandPath(std::u16string_view path) const {
  return FromWide(engine_->ExpandPath(Wide(path)));
}

std::u16string ParsedScript::FileTarget(XmlNode& fileEntry) const {
  AnsiString name;
  return FromWide(engine_->FileTarget(fileEntry, &name));
}

std::u16string ParsedScript::ProgramPath() const { return FromWide(engine_->ProgramPath()); }

std::u16string CanonicalPath(std::u16string_view path) {
  emu::CePath parsed;
  std::u16string text(path);
  if (emu::ParseCePath(path, &parsed).ok()) text = parsed.ToText();
  for (char16_t& unit : text) {
    if ((unit >= u'A' && unit <= u'Z') || (unit >= 0xC0 && unit <= 0xDE && unit != 0xD7))
      unit += 0x20;
  }
  return text;
}

}  // namespace pkgtool
