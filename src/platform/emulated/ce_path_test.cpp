#include "ce_path.h"

#include <gtest/gtest.h>

#include "code_page.h"

namespace {

// The resolved path, or "error N"; read into `path` when given, else into a new one.
std::string Parse(std::u16string_view text, emu::WildcardsIn wildcards = emu::WildcardsIn::kNowhere,
                  emu::CePath* into = nullptr) {
  emu::CePath fresh;
  emu::CePath& path = into != nullptr ? *into : fresh;
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

TEST(CePathTest, APathReadAgainReadsLikeANewOne) {
  constexpr auto kName = emu::WildcardsIn::kNowhere;
  constexpr auto kPattern = emu::WildcardsIn::kLastComponent;
  const struct {
    const char16_t* text;
    emu::WildcardsIn wildcards;
  } texts[] = {
      {u"\\A\\B\\c", kName},
      {u"\\A\\B\\d", kName},
      {u"\\A\\B\\*.gz", kPattern},
      {u"\\A\\B\\e", kName},
      {u"\\A\\B\\..\\..\\f", kName},
      {u"\\A\\B\\", kName},
      {u"\\A\\B", kName},
      {u"\\A\\Bx\\c", kName},
      {u"\\A\\B\\c:d", kName},
      {u"\\A\\B\\g", kName},
      {u"\\A\\B\\*", kName},
      {u"\\A/B/h", kName},
      {u"\\A\\B\\.\\i\\", kName},
      {u"", kName},
      {u"\\A\\B\\j", kName},
  };
  emu::CePath reused;
  for (const auto& t : texts) {
    EXPECT_EQ(Parse(t.text, t.wildcards, &reused), Parse(t.text, t.wildcards))
        << emu::Utf16ToUtf8(t.text);
    // A caller may drop the last component (a search keeps its pattern apart).
    if (!reused.parts.empty()) reused.parts.pop_back();
    EXPECT_EQ(Parse(t.text, t.wildcards, &reused), Parse(t.text, t.wildcards))
        << emu::Utf16ToUtf8(t.text) << " after a dropped component";
  }
}

}  // namespace
