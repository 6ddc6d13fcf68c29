#include "try/registry_value.h"

#include <gtest/gtest.h>

#include <string>

namespace pkgtool {
namespace {

// The value of an export line as try --json writes it, or "unread".
std::string Json(const std::string& line) {
  ExportedValue value;
  if (!ParseExportedValue(line, &value)) return "unread";
  JsonWriter json;
  json.BeginObject().Key("name").String(value.name);
  if (value.deleted) {
    json.Key("deleted").Bool(true);
  } else {
    WriteTypeAndData(json, value);
  }
  return json.EndObject().text();
}

TEST(RegistryValueTest, ExportLinesBecomeTypedData) {
  const struct {
    const char* line;
    const char* json;
  } cases[] = {
      {R"("Path"="\\Program Files\\A \"b\"")",
       R"({"name":"Path","type":"REG_SZ","data":"\\Program Files\\A \"b\""})"},
      {R"(@="")", R"({"name":"","type":"REG_SZ","data":""})"},
      {R"("Quote\"d"=dword:ffffffff)",
       R"({"name":"Quote\"d","type":"REG_DWORD","data":4294967295})"},
      {R"("N"=dword:00000010)", R"({"name":"N","type":"REG_DWORD","data":16})"},
      {"\"Bin\"=hex:01,ab,\\\n  ff", R"({"name":"Bin","type":"REG_BINARY","data":"01abff"})"},
      {R"("Empty"=hex:)", R"({"name":"Empty","type":"REG_BINARY","data":""})"},
      // "a", "bc", then the empty string that ends the list.
      {R"("List"=hex(7):61,00,00,00,62,00,63,00,00,00,00,00)",
       R"({"name":"List","type":"REG_MULTI_SZ","data":["a","bc"]})"},
      {R"("Env"=hex(2):25,00,41,00,25,00,00,00)",
       R"({"name":"Env","type":"REG_EXPAND_SZ","data":"%A%"})"},
      // A string with a line break in it is exported as hex(1).
      {R"("Two"=hex(1):61,00,0a,00,62,00,00,00)",
       R"({"name":"Two","type":"REG_SZ","data":"a\nb"})"},
      {R"("Short"=hex(4):01,02)", R"({"name":"Short","type":"REG_DWORD","data":"0102"})"},
      {R"("Odd"=hex(1):61)", R"({"name":"Odd","type":"REG_SZ","data":"61"})"},
      {R"("Q"=hex(b):01,00,00,00,00,00,00,00)",
       R"({"name":"Q","type":"REG_QWORD","data":"0100000000000000"})"},
      {R"("X"=hex(1f):ff)", R"x({"name":"X","type":"hex(1f)","data":"ff"})x"},
      {R"("Gone"=-)", R"({"name":"Gone","deleted":true})"},
      {R"("Unclosed=dword:1)", "unread"},
      {R"("Bad"=hex:1)", "unread"},
      {R"("Bad"=word:1)", "unread"},
  };
  for (const auto& c : cases) EXPECT_EQ(Json(c.line), c.json) << c.line;
}

}  // namespace
}  // namespace pkgtool
