#include "xml/xml_node.h"

#include <cstring>
#include <vector>

XmlNode::XmlNode(XmlNode* parent) : children(this), parent(parent) {}

XmlNode::~XmlNode() {
  // The members go after this body in declaration order reversed: text, attributes,
  // children, name. A leaf needs nothing more. Otherwise the body empties the subtree
  // first, walking down along the last children and back up through `parent`, so that
  // each element is deleted only once it is a leaf and no destructor recurses.
  if (children.count == 0) return;
  text.Release();
  attributes.ClearForDestruction();
  XmlNode* node = this;
  for (;;) {
    System::Xml::XmlNodeCollection& below = node->children;
    if (below.count == 0) {
      if (node == this) break;
      node = node->parent;  // whose last child is `node`, now a leaf
      continue;
    }
    XmlNode* last = below.ItemAt(below.count - 1);
    if (last != nullptr && last->children.count > 0) {
      last->text.Release();
      last->attributes.ClearForDestruction();
      node = last;
    } else {
      below.RemoveAt(below.count - 1, true);  // a leaf or null: no descent
    }
  }
}

XmlNode* XmlNode::FindByName(const char* wanted) {
  if (name.Equals(wanted)) return this;
  // Pre-order walk with the path kept on the heap: each entry is an element whose
  // children are being visited and the index of the next one.
  struct Visit {
    XmlNode* node;
    std::int32_t next;
  };
  std::vector<Visit> path{{this, 0}};
  while (!path.empty()) {
    Visit& top = path.back();
    if (top.next >= top.node->children.Count()) {
      path.pop_back();
      continue;
    }
    XmlNode* child = top.node->children.ItemAt(top.next++);
    if (child == nullptr) continue;
    if (child->name.Equals(wanted)) return child;
    path.push_back({child, 0});
  }
  return nullptr;
}

const char* XmlNode::GetAttribute(const char* wanted) {
  for (std::int32_t i = 0; i < attributes.Count(); ++i) {
    const NameValuePair* pair = attributes.ItemAt(i);
    if (pair != nullptr && pair->name.Equals(wanted)) return pair->value.data;
  }
  return nullptr;
}

String XmlNode::GetAttributeString(const char* wanted) {
  String result;
  const char* value = GetAttribute(wanted);
  result.AssignFromAnsi(value,
                        value == nullptr ? 0 : static_cast<std::int32_t>(std::strlen(value)));
  return result;
}
