#include "ce_path.h"

#include <gtest/gtest.h>

#include "code_page.h"

namespace {

// The resolved path, or "error N".
std::string Parse(std::u16string_view text, emu::WildcardsIn wildcards = emu::WildcardsIn::kNowhere) {
  emu::CePath path;
  const emu::Status status = emu::ParseCePath(text, &path, wildcards);
  if (!status.ok()) return "error " + std::to_string(status.error());
  return emu::Utf16ToUtf8(path.ToText()) + (path.endsWithSeparator ? " (trailing)" : "");
}

TEST(CePathTest, SeparatorsDotsAndRoot) {
  EXPECT_EQ(Parse(u"\\Windows\\a.exe"), "\\Windows\\a.exe");
  EXPECT_EQ(Parse(u"Windows/a.exe"), "\\Windows\\a.exe");
  EXPECT_EQ(Parse(u"\\\\Windows//\\a.exe"), "\\Windows\\a.exe");
  EXPECT_EQ(Parse(u"\\Windows\\"), "\\Windows (trailing)");
  EXPECT_EQ(Parse(u"\\a\\.\\b\\..\\c"), "\\a\\c");
  EXPECT_EQ(Parse(u"\\..\\..\\a"), "\\a");
  EXPECT_EQ(Parse(u"..\\.."), "\\");
  EXPECT_EQ(Parse(u""), "\\");
  EXPECT_EQ(Parse(u"\\"), "\\ (trailing)");
  EXPECT_EQ(Parse(u"\\Temp\\...\\x"), "\\Temp\\...\\x");  // only . and .. are special
}

TEST(CePathTest, InvalidNames) {
  EXPECT_EQ(Parse(std::u16string(u"\\a\0b", 4)), "error 123");
  EXPECT_EQ(Parse(u"\\a\tb"), "error 123");
  EXPECT_EQ(Parse(u"\\a\"b"), "error 123");
  EXPECT_EQ(Parse(u"\\C:\\x"), "error 123");
  EXPECT_EQ(Parse(u"\\*.gz"), "error 123");
  EXPECT_EQ(Parse(u"\\*.gz", emu::WildcardsIn::kLastComponent), "\\*.gz");
  EXPECT_EQ(Parse(u"\\*\\a", emu::WildcardsIn::kLastComponent), "error 123");
  const char16_t lone[] = {u'\\', 0xDC00, 0};
  EXPECT_EQ(Parse(lone), "error 123");
  const char16_t pair[] = {u'\\', 0xD83D, 0xDE00, 0};
  EXPECT_EQ(Parse(pair), "\\\U0001F600");
  EXPECT_EQ(Parse(u"\\" + std::u16string(200, u'\u00e9')), "error 123");  // 400 bytes of UTF-8
  EXPECT_EQ(Parse(u"\\" + std::u16string(200, u'a') + u"\\" + std::u16string(100, u'b')),
            "error 206");
}

}  // namespace
