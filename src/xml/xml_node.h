// XmlNode: one element of a parsed install script, and through its children the
// subtree below it.
//
// An element owns its child elements (`children`) and its attributes (`attributes`);
// `parent` and the children list's `owner` never own. The document root is a plain
// value of its owner; every other element is created by its parent's children.AddNew
// and lives until the root is destroyed (nothing removes elements earlier). Pointers
// into the tree (elements, attribute values, names and texts) stay valid that long.
//
// Names are compared byte for byte, case-sensitively and null-aware, as
// AnsiString::Equals: the root's null name equals only a null name.
//
// Destroying an element destroys its subtree in the order: its text, its attributes
// (last first), its children (last first, each child's subtree before the child), its
// name. Neither destruction nor FindByName uses the call stack in proportion to the
// depth of the tree, so arbitrarily deep trees are safe. REQUIRES: every element in
// a children list has that list's `owner` as its `parent` (AddNew guarantees it).
//
// Not thread-safe; a tree is built and read by one thread.
#pragma once

#include "memory/block_heap.h"
#include "system/ansi_string.h"
#include "system/wide_string.h"
#include "xml/name_value_collection.h"
#include "xml/xml_node_collection.h"

class XmlNode {
 public:
  // Element name as written after "<"; the null string for the document root.
  AnsiString name;
  // Child elements in document order, owned.
  System::Xml::XmlNodeCollection children;
  // Attributes in document order, owned.
  System::Collections::CStringNameValueCollection attributes;
  // The last piece of text or CDATA stored into the element; null when there was none.
  AnsiString text;
  // The enclosing element, not owned; null for the document root.
  XmlNode* parent;

  // No name, text, children or attributes.
  explicit XmlNode(XmlNode* parent);
  ~XmlNode();
  XmlNode(const XmlNode&) = delete;
  XmlNode& operator=(const XmlNode&) = delete;

  // Elements made with new come from the block heap: a tree's elements die together.
  static void* operator new(std::size_t size) { return System::AllocateBlock(size); }
  static void operator delete(void* block, std::size_t size) { System::FreeBlock(block, size); }

  // The first element named `name` in a pre-order walk of the subtree, this element
  // included: an element before its descendants, an earlier child's subtree before a
  // later child. Null when there is none.
  XmlNode* FindByName(const char* name);
  // The value of the first attribute named `name`: a zero-terminated text owned by the
  // attribute. Null when there is no such attribute, or when it was written without a
  // quoted value.
  const char* GetAttribute(const char* name);
  // GetAttribute converted to wide text through the device code page; the empty String
  // (with a buffer) when GetAttribute gives null.
  String GetAttributeString(const char* name);
};
