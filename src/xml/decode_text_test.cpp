#include "xml/decode_text.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>

namespace {

using System::Xml::DecodeText;

// Decodes from a buffer of exactly the input's size, so that the sanitizer build
// catches a read past the range.
std::string Decoded(std::string_view input) {
  const auto exact = std::make_unique<char[]>(input.size());
  input.copy(exact.get(), input.size());
  AnsiString text;
  DecodeText(exact.get(), static_cast<std::int32_t>(input.size()), text);
  EXPECT_EQ(text.data[text.length], 0);
  return std::string(text.data, text.length);
}

TEST(DecodeTextTest, NamedReferences) {
  EXPECT_EQ(Decoded("&lt;&gt;&amp;&apos;&quot;&nbsp;&copy;&ndash;"), "<>&'\" (c)-");
  EXPECT_EQ(Decoded("a&amp;lt;b"), "a&lt;b");  // decoded once
  EXPECT_EQ(Decoded("&LT;&Amp;&foo;&;&"), "&LT;&Amp;&foo;&;&");
  EXPECT_EQ(Decoded("&lt &copy"), "&lt &copy");
  EXPECT_EQ(Decoded("&&lt;"), "&<");
}

TEST(DecodeTextTest, NumericReferences) {
  EXPECT_EQ(Decoded("&#65;&#321;&#+66;&# \t67;"), "AABC");
  EXPECT_EQ(Decoded("&#65abc;x"), "Ax");           // up to the next ";"
  EXPECT_EQ(Decoded("x&#65 no semicolon"), "xA");  // or the rest of the text
  EXPECT_EQ(Decoded("a&#256;b&#512;c"), "abc");    // a zero byte is dropped, as for &#0;
  EXPECT_EQ(Decoded("&#99999999999;"), "\xFF");    // saturates at INT_MAX
  // Zero, negative or missing numbers give no byte at all.
  EXPECT_EQ(Decoded("[&#0;][&#-65;][&#;][&#x41;]"), "[][][][]");
  EXPECT_EQ(Decoded("[&#]"), "[");  // and without a ";" the rest goes
  EXPECT_EQ(Decoded("[&#"), "[");
  EXPECT_EQ(Decoded("&#-99999999999;."), ".");
}

TEST(DecodeTextTest, ReusesALargeEnoughBuffer) {
  AnsiString text;
  DecodeText("0123456789", 10, text);
  char* const buffer = text.data;
  DecodeText("&lt;&lt;", 8, text);
  EXPECT_EQ(text.data, buffer);
  EXPECT_EQ(text.capacity, 10);
  EXPECT_STREQ(text.data, "<<");
  EXPECT_EQ(text.length, 2);
}

}  // namespace
