#include "reg_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device.h"
#include "platform/ce.h"
#include "testing/temp_device.h"

namespace {

constexpr char kHeader[] = "Windows Registry Editor Version 5.00\n\n";

class RegFileTest : public ::testing::Test {
 protected:
  std::string Export(std::u16string_view key = u"") {
    std::string text;
    const emu::Status status = emu::ExportRegistry(*emu::CurrentDevice(), key, &text);
    return status.ok() ? text : "error: " + status.message();
  }
  std::string Import(std::string_view text) {
    const emu::Status status = emu::ImportRegistry(*emu::CurrentDevice(), text);
    return status.ok() ? "ok" : status.message();
  }

  test::TempDevice device_;
};

// Every form of data that regedit writes, in the order and shape of an export.
constexpr char kEveryForm[] =
    "Windows Registry Editor Version 5.00\n"
    "\n"
    "[HKEY_CURRENT_USER\\Software]\n"
    "\n"
    "[HKEY_CURRENT_USER\\Software\\A]\n"
    "@=\"default\"\n"
    "\"Binary\"=hex:00,01,fe,ff\n"
    "\"Empty\"=\"\"\n"
    "\"Expand\"=hex(2):25,00,41,00,25,00,00,00\n"
    "\"Multi\"=hex(7):61,00,00,00,62,00,00,00,00,00\n"
    "\"Number\"=dword:0000002a\n"
    "\"Path\"=\"\\\\Program Files\\\\App \\\"quoted\\\"\"\n"
    "\"Qword\"=hex(b):01,02,03,04,05,06,07,08\n"
    "\"Unterminated\"=hex(1):41,00\n"
    "\"\u00e9t\u00e9\"=\"\u20ac\"\n"
    "\n"
    "[HKEY_CURRENT_USER\\Software\\A\\b]\n"
    "\n"
    "[HKEY_CURRENT_USER\\Software\\a c]\n"
    "\"Long\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\\\n"
    "  16,17,18,19,1a,1b,1c,1d,1e,1f\n"
    "\n"
    "[HKEY_LOCAL_MACHINE]\n"
    "\"AtRoot\"=dword:ffffffff\n"
    "\n";

TEST_F(RegFileTest, ImportThenExportGivesTheSameText) {
  ASSERT_EQ(Import(kEveryForm), "ok");
  EXPECT_EQ(Export(), kEveryForm);
  // And export, clear, import again gives the same registry.
  const std::string exported = Export();
  ASSERT_EQ(Import("REGEDIT4\n[-HKEY_CURRENT_USER]\n[-HKEY_LOCAL_MACHINE]\n"), "ok");
  EXPECT_EQ(Export(), kHeader);
  ASSERT_EQ(Import(exported), "ok");
  EXPECT_EQ(Export(), exported);
}

TEST_F(RegFileTest, ExportOfOneSubtree) {
  ASSERT_EQ(Import(kEveryForm), "ok");
  EXPECT_EQ(Export(u"hkcu\\SOFTWARE\\A\\B"),
            std::string(kHeader) + "[HKEY_CURRENT_USER\\Software\\A\\b]\n\n");
  EXPECT_EQ(Export(u"HKEY_CURRENT_USER\\Software\\Missing"),
            "error: no such key: HKEY_CURRENT_USER\\Software\\Missing");
  EXPECT_EQ(Export(u"HKEY_NOWHERE"), "error: no such root: HKEY_NOWHERE");
}

TEST_F(RegFileTest, AcceptsUtf16CrlfRegedit4AndComments) {
  const std::u16string text =
      u"\uFEFFWindows Registry Editor Version 5.00\r\n\r\n; a comment\r\n"
      u"[HKEY_LOCAL_MACHINE\\Software\\W]\r\n\"Name\"=\"\u00fcber\"\r\n";
  std::string bytes;
  for (const char16_t unit : text) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  ASSERT_EQ(Import(bytes), "ok");
  ASSERT_EQ(Import("REGEDIT4\r\n\r\n[HKLM\\Software\\R4]\r\n  ; indented comment\r\n"
                   "\"Latin\"=\"caf\xe9\"\r\n"),  // Windows-1252, not UTF-8
            "ok");
  EXPECT_EQ(Export(u"HKEY_LOCAL_MACHINE\\Software"),
            std::string(kHeader) +
                "[HKEY_LOCAL_MACHINE\\Software]\n\n"
                "[HKEY_LOCAL_MACHINE\\Software\\R4]\n\"Latin\"=\"caf\u00e9\"\n\n"
                "[HKEY_LOCAL_MACHINE\\Software\\W]\n\"Name\"=\"\u00fcber\"\n\n");
}

TEST_F(RegFileTest, HexDataContinuesOverLines) {
  ASSERT_EQ(Import("REGEDIT4\n[HKEY_USERS\\X]\n\"M\"=hex(7):61,00,\\\n   62,00,\\\n"
                   "  00,00\n\"After\"=dword:1\n"),
            "ok");
  EXPECT_EQ(Export(u"HKU\\X"), std::string(kHeader) +
                                   "[HKEY_USERS\\X]\n\"After\"=dword:00000001\n"
                                   "\"M\"=hex(7):61,00,62,00,00,00\n\n");
}

TEST_F(RegFileTest, DeletesKeysAndValues) {
  ASSERT_EQ(Import(kEveryForm), "ok");
  ASSERT_EQ(Import("Windows Registry Editor Version 5.00\n"
                   "[-HKEY_CURRENT_USER\\Software\\A]\n\"Ignored\"=\"in a deleted key\"\n"
                   "[HKEY_CURRENT_USER\\Software\\A C]\n\"long\"=-\n\"NotThere\"=-\n"
                   "[-HKEY_CURRENT_USER\\Software\\Never]\n"
                   "[HKEY_LOCAL_MACHINE]\n\"AtRoot\"=-\n"),
            "ok");
  EXPECT_EQ(Export(),
            std::string(kHeader) +
                "[HKEY_CURRENT_USER\\Software]\n\n[HKEY_CURRENT_USER\\Software\\a c]\n\n");
}

TEST_F(RegFileTest, MalformedLineNamesItsNumberAndAppliesNothing) {
  const std::string good = "REGEDIT4\n[HKLM\\Software\\New]\n\"A\"=dword:1\n";
  EXPECT_EQ(Import(good + "\"B\"=dword:123456789\n"), "line 4: malformed dword data");
  EXPECT_EQ(Import(good + "\n\"B\"=hex:0g\n"), "line 5: malformed hex bytes");
  EXPECT_EQ(Import(good + "\"B\" \"C\"\n"), "line 4: expected '=' after the value name");
  EXPECT_EQ(Import(good + "[HKEY_NOWHERE\\X]\n"), "line 4: unknown root key in [HKEY_NOWHERE\\X]");
  EXPECT_EQ(Import(good + "[HKLM\\X\n"), "line 4: a key line must end with ']'");
  EXPECT_EQ(Import(good + "\"B\"=\"unterminated\n"), "line 4: malformed string data");
  EXPECT_EQ(Import(good + "\"B\"=\"bad \\n escape\"\n"), "line 4: malformed string data");
  EXPECT_EQ(Import(good + "\"B\"=text\n"), "line 4: unrecognised value data");
  EXPECT_EQ(Import(good + "\"B\"=hex:00,\\\n"),
            "line 4: hex data continued past the end of the file");
  EXPECT_EQ(Import("REGEDIT4\n\"A\"=dword:1\n"), "line 2: a value outside of any key");
  EXPECT_EQ(Import("\n\nWindows Registry Editor Version 4.00\n"),
            "line 3: not a registry file: expected \"Windows Registry Editor Version 5.00\" "
            "or \"REGEDIT4\"");
  EXPECT_EQ(Import(" \n"), "no registry header: the file is empty");
  EXPECT_EQ(Export(), kHeader);
}

TEST_F(RegFileTest, EveryMalformedLineIsTold) {
  const struct {
    std::string text;
    std::vector<std::string> mistakes;
  } cases[] = {
      {"REGEDIT4\n\"A\"=dword:1\n[HKLM\\A]\n\"B\"=x\n\"C\"=dword:2\n\"D\"=dword:g\n",
       {"line 2: a value outside of any key", "line 4: unrecognised value data",
        "line 6: malformed dword data"}},
      // The values of a malformed key line are not outside of any key.
      {"REGEDIT4\n[HKXX\\A]\n\"B\"=dword:1\n[HKLM\\A\n\"C\"=hex:00,\\\n",
       {"line 2: unknown root key in [HKXX\\A]", "line 4: a key line must end with ']'",
        "line 5: hex data continued past the end of the file"}},
      // Not a registry file: one mistake is enough.
      {"REGEDIT5\n\"B\"=x\n",
       {"line 1: not a registry file: expected \"Windows Registry Editor Version 5.00\" or "
        "\"REGEDIT4\""}},
      {"REGEDIT4\n[HKLM\\A]\n\"B\"=dword:1\n", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    std::vector<std::string> mistakes{"left over"};
    const emu::Status status = emu::ImportRegistry(*emu::CurrentDevice(), c.text, &mistakes);
    EXPECT_EQ(mistakes, c.mistakes);
    EXPECT_EQ(status.ok(), c.mistakes.empty());
    if (!status.ok()) {
      EXPECT_EQ(status.message(), c.mistakes.front());
      EXPECT_EQ(Export(), kHeader);
    }
  }
}

}  // namespace
