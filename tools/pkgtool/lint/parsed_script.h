// ParsedScript: an install script read the way the updater reads it, with the places
// where its elements and attributes begin.
//
// The text is loaded by the updater's own InstallScript, whose parser tells where things
// begin: the tree, the sections, the application folder, the targets of file entries and
// the path expansion are the ones the run would use. Its folder macros resolve on the
// current device.
//
// Owns its text and tree; pointers into the tree live as long as the ParsedScript.
// Not thread-safe.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

#include "install/install_script.h"
#include "lint/finding.h"
#include "xml/xml_node.h"

namespace pkgtool {

// A wide text as the system's String and back; the null String gives "".
String Wide(std::u16string_view text);
std::u16string FromWide(const String& text);

// Displayable (UTF-8) form of narrow device text; a null text gives "".
std::string Display(const char* narrow);
std::string Display(std::string_view narrow);

class ParsedScript {
 public:
  explicit ParsedScript(std::string text);
  ParsedScript(const ParsedScript&) = delete;
  ParsedScript& operator=(const ParsedScript&) = delete;

  const std::string& text() const { return text_; }
  // The script as the updater loads it: its walks are the run's.
  const InstallScript& engine() const { return *engine_; }
  XmlNode& root() { return engine_->root(); }
  // Null when the document has none.
  XmlNode* installation() const { return engine_->installation(); }
  XmlNode* files() const { return engine_->files(); }
  XmlNode* actions() const { return engine_->actions(); }

  // A file entry is a direct child of `files()`, an action one of `actions()`.
  bool IsFileEntry(const XmlNode& node) const {
    return files() != nullptr && node.parent == files();
  }
  bool IsAction(const XmlNode& node) const {
    return actions() != nullptr && node.parent == actions();
  }

  // Byte offset of an element's "<" (of its name when no "<" stands before it), or of
  // an attribute's name; -1 for what this script did not parse.
  std::int32_t OffsetOf(const XmlNode& element) const;
  std::int32_t OffsetOf(const NameValuePair& attribute) const;
  // The offset of the first byte after the attribute's name.
  std::int32_t EndOfName(const NameValuePair& attribute) const;

  // A finding placed at `offset` (no place when negative).
  Finding At(std::int32_t offset, Severity severity, std::string code, std::string message) const;
  Finding At(const XmlNode& element, Severity severity, std::string code,
             std::string message) const;
  Finding At(const NameValuePair& attribute, Severity severity, std::string code,
             std::string message) const;

  // "file entry "Notes.exe"", "action App.Run (Install.After)", "<Foo>": how messages name
  // an element.
  std::string Describe(XmlNode& element) const;

  // The updater's path expansion: "%AppPath%" replaced, then the folder macros.
  std::u16string ExpandPath(std::u16string_view path) const;
  // Where the Files pass writes a file entry: its destination (or "%AppPath%") joined
  // with its name, then expanded, as the run does it.
  std::u16string FileTarget(XmlNode& fileEntry) const;
  // The path of the product's executable, as the run starts it; empty without Exe.
  std::u16string ProgramPath() const;

 private:
  class Recorder;

  std::string text_;
  std::unordered_map<const void*, std::int32_t> offsets_;
  std::vector<std::size_t> lineStarts_;  // the offset where each line begins
  std::unique_ptr<InstallScript> engine_;
};

// The bytes of a tree text; empty for the null string.
inline std::string_view TextOf(const AnsiString& text) {
  return text.data == nullptr ? std::string_view() : std::string_view(text.data, text.length);
}

// The first attribute named exactly `name`, with or without a value; null when none.
const NameValuePair* FindAttribute(XmlNode& element, std::string_view name);

// A comment, declaration or processing instruction: an element whose name begins with
// "!" or "?", its words read as attributes.
inline bool IsMarkup(const XmlNode& element) {
  return element.name.length > 0 && (element.name.data[0] == '!' || element.name.data[0] == '?');
}

// Every element below `root` in document order (pre-order), without `root` itself.
std::vector<XmlNode*> ElementsBelow(XmlNode& root);

// The device's comparison of names: without regard to letter case.
bool SameIgnoringCase(std::string_view a, std::string_view b);

// A device path in the form that tells paths apart as the device does: separators,
// "." and ".." resolved, letter case folded.
std::u16string CanonicalPath(std::u16string_view path);

}  // namespace pkgtool
