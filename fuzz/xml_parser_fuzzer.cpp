// The install-script parser on arbitrary bytes: parse, look up every section the engine
// looks for, read every attribute of every element, tear the tree down.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "fuzz_device.h"
#include "system/ansi_string.h"
#include "xml/xml_node.h"
#include "xml/xml_parser.h"

namespace {

constexpr const char* kSections[] = {"Installation", "Files", "Actions"};
constexpr const char* kInstallationChildren[] = {"AppPath", "Exe"};
// Every attribute the engine reads from a file entry or an action.
constexpr const char* kAttributes[] = {"name",    "destination", "event",           "type",
                                       "target",  "args",        "windowTitle",     "id",
                                       "version", "key",         "valueName",       "dataType",
                                       "value",   "filename",    "shortcutFilename"};

// The first attribute of `node` named `name`, by a plain scan: what GetAttribute must give.
const NameValuePair* FirstNamed(XmlNode& node, const char* name) {
  for (std::int32_t i = 0; i < node.attributes.Count(); ++i) {
    const NameValuePair* pair = node.attributes.ItemAt(i);
    if (pair != nullptr && pair->name.Equals(name)) return pair;
  }
  return nullptr;
}

void ReadAttributes(XmlNode& node) {
  for (std::int32_t i = 0; i < node.attributes.Count(); ++i) {
    const NameValuePair* pair = node.attributes.ItemAt(i);
    fuzz::Check(pair != nullptr && pair->name.data != nullptr, "attribute without a name");
    fuzz::Check(std::strlen(pair->name.data) <= static_cast<std::size_t>(pair->name.length),
                "attribute name longer than its length");
    fuzz::Check(node.GetAttribute(pair->name.data) == FirstNamed(node, pair->name.data)->value.data,
                "GetAttribute is not the first attribute of that name");
    const String wide = node.GetAttributeString(pair->name.data);
    fuzz::Check(wide.data != nullptr, "GetAttributeString gave the null string");
  }
  for (const char* name : kAttributes) {
    const NameValuePair* pair = FirstNamed(node, name);
    fuzz::Check(node.GetAttribute(name) == (pair == nullptr ? nullptr : pair->value.data),
                "GetAttribute disagrees with a scan");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The text gets a buffer of exactly its bytes, without the terminating zero, so that
  // the sanitizer sees any read past the last byte.
  // The buffer is the harness's own, not the string's to free.
  const auto exact = std::make_unique<char[]>(size + (size == 0 ? 1 : 0));
  AnsiString text;
  if (size > 0) {
    std::memcpy(exact.get(), data, size);
    text.data = exact.get();
    text.length = static_cast<std::int32_t>(size);
    text.capacity = text.length;
  }
  {
    XmlNode root(nullptr);
    XmlParser parser;
    parser.Parse(text, root);

    for (const char* section : kSections) {
      XmlNode* found = root.FindByName(section);
      fuzz::Check(found == nullptr || found->name.Equals(section), "FindByName found another name");
    }
    if (XmlNode* installation = root.FindByName("Installation"); installation != nullptr) {
      for (const char* child : kInstallationChildren) {
        XmlNode* found = installation->children.FindChild(child);
        fuzz::Check(found == nullptr || found->parent == installation,
                    "FindChild left the element");
      }
    }

    std::vector<XmlNode*> pending{&root};
    while (!pending.empty()) {
      XmlNode* node = pending.back();
      pending.pop_back();
      ReadAttributes(*node);
      for (std::int32_t i = 0; i < node->children.Count(); ++i) {
        XmlNode* child = node->children.ItemAt(i);
        fuzz::Check(child != nullptr && child->parent == node, "a child with another parent");
        fuzz::Check(child->name.data != nullptr, "an element without a name");
        pending.push_back(child);
      }
    }
  }
  text.data = nullptr;
  text.length = 0;
  text.capacity = 0;
  return 0;
}
