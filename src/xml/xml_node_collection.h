// XmlNodeCollection: the child elements of one XML element, in document order.
//
// A Collection of XmlNodes that it owns: removing, clearing or destroying the list
// destroys each removed element with its whole subtree. Every element it creates gets
// `owner` as its parent. Pointers returned by AddNew, ItemAt and FindChild stay valid
// until the element is removed or the list destroyed. Built without a lock; used by one
// thread at a time.
#pragma once

#include <cstdint>

#include "system/collection.h"

class XmlNode;

namespace System::Xml {

class XmlNodeCollection : public Collections::Collection {
 public:
  // The element whose children this list holds; not owned.
  XmlNode* owner;

  // Empty, with 4 slots, owning its items.
  explicit XmlNodeCollection(XmlNode* owner);
  ~XmlNodeCollection();

  std::int32_t Count() override;
  // Destroys one element with its subtree and frees it; a null item is ignored.
  void ReleaseItem(void* item) override;

  // Appends a new element without name, text, children or attributes whose parent is
  // `owner`, and returns it; null when the list cannot grow.
  XmlNode* AddNew();
  // The element at `index`, or null when out of range.
  XmlNode* ItemAt(std::int32_t index) { return static_cast<XmlNode*>(Collection::ItemAt(index)); }
  // The first direct child, in order, whose name equals `name` (null-aware,
  // case-sensitive, as AnsiString::Equals); null when there is none.
  XmlNode* FindChild(const char* name);
};

}  // namespace System::Xml
