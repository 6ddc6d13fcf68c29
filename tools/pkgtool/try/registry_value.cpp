#include "try/registry_value.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "code_page.h"

namespace pkgtool {

namespace {

constexpr std::uint32_t kString = 1;
constexpr std::uint32_t kExpandString = 2;
constexpr std::uint32_t kBinary = 3;
constexpr std::uint32_t kDword = 4;
constexpr std::uint32_t kMultiString = 7;

constexpr std::array<const char*, 12> kTypeNames{"REG_NONE",
                                                 "REG_SZ",
                                                 "REG_EXPAND_SZ",
                                                 "REG_BINARY",
                                                 "REG_DWORD",
                                                 "REG_DWORD_BIG_ENDIAN",
                                                 "REG_LINK",
                                                 "REG_MULTI_SZ",
                                                 "REG_RESOURCE_LIST",
                                                 "REG_FULL_RESOURCE_DESCRIPTOR",
                                                 "REG_RESOURCE_REQUIREMENTS_LIST",
                                                 "REG_QWORD"};

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A quoted text with \\ and \" escapes at the start of `text`, which is left after it.
bool TakeQuoted(std::string_view& text, std::string* out) {
  if (text.empty() || text.front() != '"') return false;
  out->clear();
  for (std::size_t i = 1; i < text.size(); ++i) {
    if (text[i] == '"') {
      text.remove_prefix(i + 1);
      return true;
    }
    if (text[i] == '\\' && i + 1 < text.size()) ++i;
    *out += text[i];
  }
  return false;
}

// Hex digits, at most `maxDigits`, as a number.
bool HexNumber(std::string_view text, std::size_t maxDigits, std::uint32_t* value) {
  if (text.empty() || text.size() > maxDigits) return false;
  *value = 0;
  for (const char c : text) {
    const int digit = HexDigit(c);
    if (digit < 0) return false;
    *value = (*value << 4) | static_cast<std::uint32_t>(digit);
  }
  return true;
}

// "01,02,\<line break>  03": the bytes, continuations and blanks passed over.
bool HexBytes(std::string_view text, std::vector<std::uint8_t>* bytes) {
  int high = -1;
  for (const char c : text) {
    if (c == ',' || c == '\\' || c == '\n' || c == ' ') {
      if (high >= 0) return false;
      continue;
    }
    const int digit = HexDigit(c);
    if (digit < 0) return false;
    if (high < 0) {
      high = digit;
    } else {
      bytes->push_back(static_cast<std::uint8_t>(high << 4 | digit));
      high = -1;
    }
  }
  return high < 0;
}

std::u16string Units(const std::vector<std::uint8_t>& bytes) {
  std::u16string units;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    units.push_back(static_cast<char16_t>(bytes[i] | bytes[i + 1] << 8));
  }
  return units;
}

std::string Hex(const std::vector<std::uint8_t>& bytes) {
  std::string hex;
  for (const std::uint8_t byte : bytes) {
    char digits[3];
    std::snprintf(digits, sizeof digits, "%02x", byte);
    hex += digits;
  }
  return hex;
}

}  // namespace

bool ParseExportedValue(std::string_view line, ExportedValue* value) {
  *value = ExportedValue();
  if (line.starts_with("@")) {
    line.remove_prefix(1);
  } else if (!TakeQuoted(line, &value->name)) {
    return false;
  }
  if (!line.starts_with("=")) return false;
  line.remove_prefix(1);
  if (line == "-") {
    value->deleted = true;
    return true;
  }
  if (line.starts_with("\"")) {
    std::string text;
    if (!TakeQuoted(line, &text) || !line.empty()) return false;
    value->type = kString;
    for (const char16_t unit : emu::Utf8ToUtf16(text) + u'\0') {
      value->bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
      value->bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    return true;
  }
  if (line.starts_with("dword:")) {
    std::uint32_t word = 0;
    if (!HexNumber(line.substr(6), 8, &word)) return false;
    value->type = kDword;
    value->bytes = {static_cast<std::uint8_t>(word), static_cast<std::uint8_t>(word >> 8),
                    static_cast<std::uint8_t>(word >> 16), static_cast<std::uint8_t>(word >> 24)};
    return true;
  }
  if (line.starts_with("hex:")) {
    value->type = kBinary;
    line.remove_prefix(4);
  } else if (line.starts_with("hex(")) {
    const std::size_t close = line.find("):");
    if (close == std::string_view::npos || !HexNumber(line.substr(4, close - 4), 8, &value->type))
      return false;
    line.remove_prefix(close + 2);
  } else {
    return false;
  }
  return HexBytes(line, &value->bytes);
}

void WriteTypeAndData(JsonWriter& json, const ExportedValue& value) {
  if (value.type < kTypeNames.size()) {
    json.Key("type").String(kTypeNames[value.type]);
  } else {
    char name[24];
    std::snprintf(name, sizeof name, "hex(%x)", static_cast<unsigned>(value.type));
    json.Key("type").String(name);
  }
  json.Key("data");
  const bool units = value.bytes.size() % 2 == 0;
  if ((value.type == kString || value.type == kExpandString) && units) {
    std::u16string text = Units(value.bytes);
    if (!text.empty() && text.back() == u'\0') text.pop_back();
    json.String(emu::Utf16ToUtf8(text));
  } else if (value.type == kDword && value.bytes.size() == 4) {
    json.Number(static_cast<std::int64_t>(value.bytes[0] | value.bytes[1] << 8 |
                                          value.bytes[2] << 16 |
                                          static_cast<std::uint32_t>(value.bytes[3]) << 24));
  } else if (value.type == kMultiString && units) {
    json.BeginArray();
    const std::u16string text = Units(value.bytes);
    for (std::size_t start = 0; start < text.size();) {
      const std::size_t end = std::min(text.find(u'\0', start), text.size());
      if (end == start) break;  // the empty string that ends the list
      json.String(emu::Utf16ToUtf8(text.substr(start, end - start)));
      start = end + 1;
    }
    json.EndArray();
  } else {
    json.String(Hex(value.bytes));
  }
}

}  // namespace pkgtool
