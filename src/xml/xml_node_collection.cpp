#include "xml/xml_node_collection.h"

#include "xml/xml_node.h"

namespace System::Xml {

XmlNodeCollection::XmlNodeCollection(XmlNode* owner) : Collection(0), owner(owner) {
  ownsItems = 1;
}

XmlNodeCollection::~XmlNodeCollection() { ClearForDestruction(); }

std::int32_t XmlNodeCollection::Count() { return Collection::Count(); }

void XmlNodeCollection::ReleaseItem(void* item) { delete static_cast<XmlNode*>(item); }

XmlNode* XmlNodeCollection::AddNew() {
  auto* node = new XmlNode(owner);
  // A failed Add has already released the element.
  return Add(node) < 0 ? nullptr : node;
}

XmlNode* XmlNodeCollection::FindChild(const char* name) {
  for (std::int32_t i = 0; i < count; ++i) {
    XmlNode* child = ItemAt(i);
    if (child != nullptr && child->name.Equals(name)) return child;
  }
  return nullptr;
}

}  // namespace System::Xml
