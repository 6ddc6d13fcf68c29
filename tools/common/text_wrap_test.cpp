#include "text_wrap.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(TextWrapTest, BreaksAtSpacesOutsideBrackets) {
  const struct {
    std::string text;
    std::size_t width;
    std::vector<std::string> lines;
  } cases[] = {
      {"", 10, {}},
      {"one two three", 20, {"one two three"}},
      {"one two three", 7, {"one two", "three"}},
      {"  spaced   out  ", 80, {"spaced out"}},
      {"DIR [--as NAME] [--json]", 12, {"DIR", "[--as NAME]", "[--json]"}},
      {"[--lint [--force]] x", 10, {"[--lint [--force]]", "x"}},
      {"a verylongword b", 4, {"a", "verylongword", "b"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(tool::WrapLines(c.text, c.width), c.lines) << c.text;
  }
  EXPECT_EQ(tool::Wrap("aa bb cc", 2, 7), "aa bb\n  cc\n");
  EXPECT_EQ(tool::Wrap("", 2), "\n");
}

}  // namespace
