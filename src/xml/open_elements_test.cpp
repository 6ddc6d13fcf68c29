#include "xml/open_elements.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "xml/xml_node.h"

namespace {

using System::Xml::OpenElements;

// The walk that OpenElements must agree with: from the innermost element up, the first
// whose name equals `name`; the root never closes.
XmlNode* ReferenceClose(std::vector<XmlNode*>& chain, const char* name) {
  for (std::size_t i = chain.size() - 1; i >= 1; --i) {
    if (chain[i]->name.Equals(name)) {
      chain.resize(i);
      break;
    }
  }
  return chain.back();
}

TEST(OpenElementsTest, AgreesWithTheWalkUpTheChain) {
  // Names that strcmp sees alike ("a" and "a\0x") and apart, and the empty name.
  const std::vector<std::string> names = {"a", "b", "c", std::string("a\0x", 3), "", "ab"};
  const std::vector<const char*> endTags = {"a", "b", "c", "", "ab", "z"};
  for (unsigned seed = 1; seed <= 20; ++seed) {
    std::mt19937 random(seed);
    XmlNode root(nullptr);
    OpenElements open;
    open.Reset(root);
    std::vector<XmlNode*> reference{&root};
    for (int step = 0; step < 5000; ++step) {
      const unsigned choice = random() % 10;
      if (choice < 5) {
        XmlNode* element = open.Innermost()->children.AddNew();
        const std::string& name = names[random() % names.size()];
        element->name.Assign(name.data(), static_cast<std::int32_t>(name.size()));
        open.Open(*element);
        reference.push_back(element);
      } else if (choice < 6) {
        if (reference.size() > 1) reference.pop_back();
        ASSERT_EQ(open.CloseInnermost(), reference.back()) << "seed " << seed;
      } else {
        const char* name = endTags[random() % endTags.size()];
        ASSERT_EQ(open.Close(name), ReferenceClose(reference, name))
            << "seed " << seed << ", step " << step << ", </" << name << ">";
      }
      ASSERT_EQ(open.Innermost(), reference.back());
    }
  }
}

TEST(OpenElementsTest, TheRootNeverCloses) {
  XmlNode root(nullptr);
  root.name.AssignCString("r");  // against the rule, to show it holds anyway
  OpenElements open;
  open.Reset(root);
  EXPECT_EQ(open.Close("r"), &root);
  EXPECT_EQ(open.CloseInnermost(), &root);
}

}  // namespace
