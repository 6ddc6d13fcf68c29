// OpenElements: the chain of open elements while a document is parsed, from the root
// down to the element that receives new content, and the answer to "which open element
// does this end tag close?".
//
// Close(name) gives the same result as walking from the innermost open element up to
// the root and stopping at the first whose name equals `name`, but without that walk
// when no open element has the name: names that an unmatched end tag has walked past
// are counted in a table, so a miss costs one lookup next time. Every element is walked
// over at most once by misses and once when it is closed, so any input closes in time
// linear in its size.
//
// Borrows the elements: they must outlive the chain (until Reset or Release). The root
// is never closed. Not thread-safe.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <vector>

class XmlNode;

namespace System::Xml {

class OpenElements {
 public:
  OpenElements() = default;
  OpenElements(const OpenElements&) = delete;
  OpenElements& operator=(const OpenElements&) = delete;

  // Starts a chain that holds only `root`.
  void Reset(XmlNode& root);
  // Gives back the memory of the chain; Reset before the next use.
  void Release();

  // `element`, a new child of the innermost element, becomes the innermost.
  void Open(XmlNode& element) { chain_.push_back(&element); }
  // The element that receives new content.
  XmlNode* Innermost() const { return chain_.back(); }
  // Closes the innermost element (unless it is the root) and returns the new innermost.
  XmlNode* CloseInnermost();
  // Closes the innermost open element whose name equals `name` (AnsiString::Equals) with
  // every element inside it, and returns the new innermost; when no open element but the
  // root has that name, nothing changes. REQUIRES: `name` is not null.
  XmlNode* Close(const char* name);

 private:
  // Pops chain_ down to `depth` elements, uncounting the counted ones.
  void PopTo(std::size_t depth);

  // chain_[0] is the root; the last entry is the innermost element.
  std::vector<XmlNode*> chain_;
  // The names of chain_[1 .. counted_ - 1] are counted in names_, up to their first zero
  // byte, as strcmp sees them. Keys point into the elements' names.
  std::size_t counted_ = 1;
  std::unordered_map<std::string_view, std::int32_t> names_;
};

}  // namespace System::Xml
