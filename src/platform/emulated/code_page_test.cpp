#include "code_page.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/ce.h"

namespace {

TEST(CodePageTest, EveryByteRoundTrips) {
  for (int byte = 1; byte < 256; ++byte) {
    const char narrow[2] = {static_cast<char>(byte), 0};
    WCHAR wide[2] = {};
    ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, narrow, 1, wide, 1), 1);
    char back[2] = {};
    ASSERT_EQ(WideCharToMultiByte(CP_ACP, 0, wide, 1, back, 1, "?", nullptr), 1);
    EXPECT_EQ(static_cast<unsigned char>(back[0]), byte) << byte;
  }
}

TEST(CodePageTest, HighControlsAndUndefinedBytes) {
  const char bytes[] = "\x80\x81\x8d\x8f\x90\x9d\x9f";
  WCHAR wide[7];
  ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, bytes, 7, wide, 7), 7);
  EXPECT_EQ(std::u16string(wide, 7), u"\u20ac\u0081\u008d\u008f\u0090\u009d\u0178");
}

TEST(CodePageTest, CharactersOutsideTheCodePageBecomeTheDefault) {
  char out[4] = {};
  BOOL usedDefault = FALSE;
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"a\u0100\u0080", 3, out, 4, nullptr, &usedDefault), 3);
  EXPECT_EQ(std::string(out, 3), "a??");  // U+0080 itself has no byte: 0x80 is the euro
  EXPECT_TRUE(usedDefault);
}

TEST(CodePageTest, SizeQueriesAndShortBuffers) {
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, nullptr, 0), 4);
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"abc", 3, nullptr, 0, nullptr, nullptr), 3);
  char out[2] = {'x', 'x'};
  SetLastError(0);
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"abc", 3, out, 2, nullptr, nullptr), 0);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", 0, nullptr, 0), 0);
}

TEST(CodePageTest, Utf8) {
  EXPECT_EQ(emu::Utf8ToUtf16("caf\xc3\xa9 \xf0\x9f\x98\x80"), u"caf\u00e9 \U0001F600");
  EXPECT_EQ(emu::Utf16ToUtf8(u"caf\u00e9 \U0001F600"), "caf\xc3\xa9 \xf0\x9f\x98\x80");
  EXPECT_EQ(emu::Utf8ToUtf16("\xff\xc3"), u"\ufffd\ufffd");
  EXPECT_EQ(emu::Utf16ToUtf8(std::u16string(1, char16_t{0xD800})), "\xef\xbf\xbd");
}

}  // namespace
