#include "ce_path.h"

#include "code_page.h"

namespace emu {
namespace {

constexpr std::size_t kMaxHostNameBytes = 255;

bool IsSeparator(char16_t unit) { return unit == u'\\' || unit == u'/'; }

bool IsValidUtf16(std::u16string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      if (i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) return false;
      ++i;
    } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
      return false;
    }
  }
  return true;
}

}  // namespace

std::u16string CePath::ToText() const {
  if (parts.empty()) return u"\\";
  std::u16string text;
  for (const std::u16string& part : parts) {
    text += u'\\';
    text += part;
  }
  return text;
}

bool IsValidName(std::u16string_view name, bool allowWildcards) {
  if (name.empty() || !IsValidUtf16(name)) return false;
  for (const char16_t unit : name) {
    if (unit < 0x20) return false;
    switch (unit) {
      case u'<':
      case u'>':
      case u':':
      case u'"':
      case u'|':
      case u'/':
      case u'\\':
        return false;
      case u'*':
      case u'?':
        if (!allowWildcards) return false;
        break;
      default:
        break;
    }
  }
  return Utf16ToUtf8(name).size() <= kMaxHostNameBytes;
}

std::string HostName(std::u16string_view name) { return Utf16ToUtf8(name); }

Status ParseCePath(std::u16string_view text, CePath* path, WildcardsIn wildcards) {
  path->parts.clear();
  path->endsWithSeparator = !text.empty() && IsSeparator(text.back());
  std::vector<std::u16string> raw;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = start;
    while (end < text.size() && !IsSeparator(text[end])) ++end;
    if (end > start) raw.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
  for (std::size_t i = 0; i < raw.size(); ++i) {
    const std::u16string& part = raw[i];
    if (part == u".") continue;
    if (part == u"..") {
      if (!path->parts.empty()) path->parts.pop_back();
      continue;
    }
    const bool last = i + 1 == raw.size();
    if (!IsValidName(part, last && wildcards == WildcardsIn::kLastComponent)) {
      return Status::Error(ERROR_INVALID_NAME, "invalid name in path: " + Utf16ToUtf8(text));
    }
    path->parts.push_back(part);
  }
  if (path->ToText().size() >= MAX_PATH) {
    return Status::Error(ERROR_FILENAME_EXCED_RANGE, "path too long: " + Utf16ToUtf8(text));
  }
  return Status::Ok();
}

}  // namespace emu
