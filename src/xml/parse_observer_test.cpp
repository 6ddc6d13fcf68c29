#include "xml/parse_observer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testing/tree_text.h"
#include "xml/xml_node.h"
#include "xml/xml_parser.h"

namespace {

// Records every call as "name@offset" (attributes as "element.name@offset").
class Recorder : public XmlParseObserver {
 public:
  explicit Recorder(const char* text) : text_(text) {}
  void ElementStarted(const XmlNode& element, const char* name) override {
    calls.push_back(std::string(element.name.data) + "@" + std::to_string(name - text_));
  }
  void AttributeStarted(const XmlNode& element, const NameValuePair& attribute,
                        const char* name) override {
    calls.push_back(std::string(element.name.data) + "." + attribute.name.data + "@" +
                    std::to_string(name - text_));
  }
  std::vector<std::string> calls;

 private:
  const char* text_;
};

std::vector<std::string> Observed(const char* source) {
  const AnsiString text(source);
  Recorder recorder(text.data);
  XmlNode root(nullptr);
  XmlParser parser;
  parser.Observe(&recorder);
  parser.Parse(text, root);
  return recorder.calls;
}

using Calls = std::vector<std::string>;

TEST(XmlParseObserverTest, ToldWhereElementsAndAttributesBegin) {
  EXPECT_EQ(Observed("<a x=\"1\">\n  <b y=\"2\"z=\"3\"/></a>"),
            (Calls{"a@1", "a.x@3", "b@13", "b.y@15", "b.z@20"}));
  EXPECT_EQ(Observed("<?xml version=\"1.0\"?><r/>"), (Calls{"?xml@1", "?xml.version@6", "r@22"}));
}

TEST(XmlParseObserverTest, ToldAboutWhatMalformedMarkupBecomes) {
  EXPECT_EQ(Observed("<a><!-- note --><b/></a>"),
            (Calls{"a@1", "!--@4", "!--.note@8", "!--.--@13", "b@17"}));
  EXPECT_EQ(Observed("<a x = \"1\"/>"), (Calls{"a@1", "a.x@3", "a.=@5", "a.\"1\"@7"}));
  // "</a >" is read as a start tag named "a ": its name begins after "</".
  EXPECT_EQ(Observed("<r><a></a ></r>"), (Calls{"r@1", "a@4", "a @8"}));
  // A name cut off by the end of the text creates nothing, so nothing is told.
  EXPECT_EQ(Observed("<a><bc"), (Calls{"a@1"}));
}

TEST(XmlParseObserverTest, TheTreeIsTheSameWithAnObserver) {
  const char* const sources[] = {
      "<a><b x=\"1\" y=\"2\"/><c>t</c></a>",
      "<?xml version=\"1.0\"?><r><!-- c --><s a='1' b=\"2\" c d = \"e\"/></r>tail",
      "<r><a></a ></r><x>&lt;<![CDATA[q]]></x><y",
      "<a x=\"1",
  };
  for (const char* source : sources) {
    const AnsiString text(source);
    XmlNode plain(nullptr);
    XmlParser().Parse(text, plain);
    XmlNode observed(nullptr);
    Recorder recorder(text.data);
    XmlParser parser;
    parser.Observe(&recorder);
    parser.Parse(text, observed);
    EXPECT_EQ(TreeText(observed), TreeText(plain)) << source;
    EXPECT_FALSE(recorder.calls.empty());
  }
}

}  // namespace
