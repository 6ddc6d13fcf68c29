#include "xml/xml_node.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "testing/tree_text.h"
#include "xml/xml_parser.h"

namespace {

// A parsed document and its root.
class Document {
 public:
  explicit Document(const char* text) {
    XmlParser parser;
    parser.Parse(AnsiString(text), root);
  }
  XmlNode root{nullptr};
};

std::string NameOf(const XmlNode* node) {
  if (node == nullptr) return "<none>";
  return node->name.data == nullptr ? "<root>" : node->name.data;
}

TEST(XmlNodeTest, NewElementIsEmpty) {
  XmlNode parent(nullptr);
  XmlNode* node = parent.children.AddNew();
  EXPECT_EQ(node->parent, &parent);
  EXPECT_EQ(node->name.data, nullptr);
  EXPECT_EQ(node->text.data, nullptr);
  EXPECT_EQ(node->children.owner, node);
  for (System::Collections::Collection* list :
       {static_cast<System::Collections::Collection*>(&node->children),
        static_cast<System::Collections::Collection*>(&node->attributes)}) {
    EXPECT_EQ(list->Count(), 0);
    EXPECT_EQ(list->capacity, 4);
    EXPECT_EQ(list->ownsItems, 1);
    EXPECT_EQ(list->synchronized, 0);
  }
  EXPECT_EQ(node->attributes.flag, 1);
  EXPECT_EQ(parent.children.ItemAt(0), node);
  EXPECT_EQ(parent.children.ItemAt(-1), nullptr);
  EXPECT_EQ(parent.children.ItemAt(1), nullptr);
}

TEST(XmlNodeTest, AttributeListAddNew) {
  XmlNode node(nullptr);
  NameValuePair* pair = node.attributes.AddNew("name=", 4);
  EXPECT_STREQ(pair->name.data, "name");
  EXPECT_EQ(pair->value.data, nullptr);
  EXPECT_EQ(node.attributes.ItemAt(0), pair);
  EXPECT_EQ(node.attributes.ItemAt(1), nullptr);
}

TEST(XmlNodeTest, FindByNameAndFindChild) {
  Document doc("<Installation><AppPath>x</AppPath><Files/></Installation>");
  XmlNode* installation = doc.root.FindByName("Installation");
  EXPECT_EQ(NameOf(installation), "Installation");
  XmlNode* appPath = installation->children.FindChild("AppPath");
  ASSERT_NE(appPath, nullptr);
  EXPECT_STREQ(appPath->text.data, "x");
  XmlNode* files = doc.root.FindByName("Files");
  EXPECT_EQ(NameOf(files), "Files");
  EXPECT_EQ(files->FindByName("Files"), files);  // the element itself first
  EXPECT_EQ(doc.root.FindByName("files"), nullptr);
  EXPECT_EQ(doc.root.children.FindChild("AppPath"), nullptr);  // direct children only
  EXPECT_EQ(doc.root.children.FindChild(nullptr), nullptr);
  EXPECT_EQ(doc.root.FindByName(nullptr), &doc.root);  // null names equal each other
}

TEST(XmlNodeTest, FindByNameIsPreOrder) {
  // Ancestor before descendant, an earlier subtree before a later sibling.
  Document doc(R"(<r><p><q><t n="1"/></q><t n="2"/></p><t n="3"><t n="4"/></t></r>)");
  EXPECT_STREQ(doc.root.FindByName("t")->GetAttribute("n"), "1");
  XmlNode* r = doc.root.FindByName("r");
  EXPECT_STREQ(r->children.FindChild("t")->GetAttribute("n"), "3");
  EXPECT_STREQ(r->children.FindChild("t")->FindByName("t")->GetAttribute("n"), "3");
}

TEST(XmlNodeTest, GetAttribute) {
  Document doc(R"(<a none empty="" v="1" v="2" e="caf)"
               "\xE9"
               R"("/>)");
  XmlNode* a = doc.root.FindByName("a");
  EXPECT_EQ(a->GetAttribute("missing"), nullptr);
  EXPECT_EQ(a->GetAttribute("none"), nullptr);  // no quoted value: like a missing one
  EXPECT_STREQ(a->GetAttribute("empty"), "");
  EXPECT_STREQ(a->GetAttribute("v"), "1");  // the first of two
  EXPECT_EQ(a->GetAttribute("V"), nullptr);
  for (const char* name : {"missing", "none", "empty"}) {
    const String value = a->GetAttributeString(name);
    ASSERT_NE(value.data, nullptr) << name;
    EXPECT_EQ(value.length, 0) << name;
  }
  EXPECT_TRUE(a->GetAttributeString("v").Equals(TEXT("1")));
  EXPECT_TRUE(a->GetAttributeString("e").Equals(TEXT("caf\u00e9")));  // Windows-1252
}

TEST(XmlNodeTest, RemovingAChildDestroysItsSubtree) {
  Document doc("<a><b><c/></b><d/></a>");
  XmlNode* a = doc.root.FindByName("a");
  EXPECT_EQ(a->children.RemoveAt(0, true), 1);
  EXPECT_EQ(TreeText(doc.root), "(a(d))");
}

}  // namespace
