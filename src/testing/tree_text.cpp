#include "testing/tree_text.h"

#include <cstdio>
#include <memory>

#include "xml/xml_node.h"
#include "xml/xml_parser.h"

namespace {

void AppendBytes(std::string& out, const AnsiString& bytes) {
  for (std::int32_t i = 0; i < bytes.length; ++i) {
    const auto byte = static_cast<unsigned char>(bytes.data[i]);
    if (byte >= 0x20 && byte < 0x7F) {
      out += static_cast<char>(byte);
    } else {
      char escaped[5];
      std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
      out += escaped;
    }
  }
}

void AppendNode(std::string& out, XmlNode& node) {
  AppendBytes(out, node.name);
  if (node.attributes.Count() > 0) {
    out += '[';
    for (std::int32_t i = 0; i < node.attributes.Count(); ++i) {
      const NameValuePair* pair = node.attributes.ItemAt(i);
      if (i > 0) out += ',';
      AppendBytes(out, pair->name);
      if (pair->value.data != nullptr) {
        out += '=';
        AppendBytes(out, pair->value);
      }
    }
    out += ']';
  }
  if (node.text.data != nullptr) {
    out += '"';
    AppendBytes(out, node.text);
    out += '"';
  }
  if (node.children.Count() > 0) {
    out += '(';
    for (std::int32_t i = 0; i < node.children.Count(); ++i) {
      if (i > 0) out += ',';
      AppendNode(out, *node.children.ItemAt(i));
    }
    out += ')';
  }
}

}  // namespace

std::string TreeText(XmlNode& node) {
  std::string out;
  AppendNode(out, node);
  return out;
}

std::string Parsed(std::string_view text) {
  const auto exact = std::make_unique<char[]>(text.size() + (text.empty() ? 1 : 0));
  text.copy(exact.get(), text.size());
  AnsiString script;
  script.data = exact.get();
  script.length = static_cast<std::int32_t>(text.size());
  XmlNode root(nullptr);
  XmlParser parser;
  parser.Parse(script, root);
  script.data = nullptr;  // the buffer is not the string's to free
  script.length = 0;
  return TreeText(root);
}
