#include "ce_path.h"

#include <algorithm>
#include <array>

#include "code_page.h"

namespace emu {
namespace {

constexpr std::size_t kMaxHostNameBytes = 255;

bool IsSeparator(char16_t unit) { return unit == u'\\' || unit == u'/'; }

// ASCII units that no name may hold; `*` and `?` only outside patterns.
constexpr bool RefusedUnit(char16_t unit) {
  switch (unit) {
    case u'<':
    case u'>':
    case u':':
    case u'"':
    case u'|':
    case u'/':
    case u'\\':
    case u'*':
    case u'?':
      return true;
    default:
      return unit < 0x20;
  }
}

constexpr auto kRefused = [] {
  std::array<bool, 0x80> refused{};
  for (char16_t unit = 0; unit < 0x80; ++unit) refused[unit] = RefusedUnit(unit);
  return refused;
}();

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
  if (name.empty()) return false;
  // One pass: the units the device refuses, unpaired surrogates, and the length of the
  // UTF-8 form.
  std::size_t bytes = 0;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const char16_t unit = name[i];
    if (unit < 0x80) {
      if (kRefused[unit] && !(allowWildcards && (unit == u'*' || unit == u'?'))) return false;
      ++bytes;
    } else if (unit < 0x800) {
      bytes += 2;
    } else if (unit >= 0xD800 && unit <= 0xDBFF) {
      if (i + 1 >= name.size() || name[i + 1] < 0xDC00 || name[i + 1] > 0xDFFF) return false;
      ++i;
      bytes += 4;
    } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
      return false;
    } else {
      bytes += 3;
    }
  }
  return bytes <= kMaxHostNameBytes;
}

std::string HostName(std::u16string_view name) { return Utf16ToUtf8(name); }

bool DeviceNameOf(std::string_view hostName, std::u16string* name) {
  *name = Utf8ToUtf16(hostName);
  return Utf16ToUtf8(*name) == hostName && IsValidName(*name, false);
}

Status ParseCePath(std::u16string_view text, CePath* path, WildcardsIn wildcards) {
  path->endsWithSeparator = !text.empty() && IsSeparator(text.back());
  // Where the last component of the text starts, the one that may hold wildcards.
  std::size_t lastEnd = text.size();
  while (lastEnd > 0 && IsSeparator(text[lastEnd - 1])) --lastEnd;
  std::size_t lastStart = lastEnd;
  while (lastStart > 0 && !IsSeparator(text[lastStart - 1])) --lastStart;
  // The components are written over those of the path's last use, keeping their storage;
  // those of a beginning read before are kept as they are.
  std::size_t start = 0;
  std::size_t count = 0;
  std::size_t length = 0;  // of the resolved path in CE form, without its first `\`
  const std::u16string_view known = path->readPrefix;
  if (!known.empty() && known.size() <= lastStart && path->parts.size() >= path->readCount &&
      text.substr(0, known.size()) == known) {
    start = known.size();
    count = path->readCount;
    length = path->readLength;
  } else {
    path->readPrefix.clear();
  }
  // Every component is checked, even one that a later `..` takes away.
  while (start < text.size()) {
    if (start == lastStart && start != path->readPrefix.size()) {
      path->readPrefix.assign(text.substr(0, start));
      path->readCount = count;
      path->readLength = length;
    }
    std::size_t end = start;
    while (end < text.size() && !IsSeparator(text[end])) ++end;
    const std::u16string_view part = text.substr(start, end - start);
    const bool last = start == lastStart;
    start = end + 1;
    if (part.empty() || part == u".") continue;
    if (part == u"..") {
      if (count > 0) length -= path->parts[--count].size() + 1;
      continue;
    }
    if (!IsValidName(part, last && wildcards == WildcardsIn::kLastComponent)) {
      path->parts.clear();
      path->readPrefix.clear();
      return Status::Error(ERROR_INVALID_NAME, "invalid name in path: " + Utf16ToUtf8(text));
    }
    if (count < path->parts.size()) {
      path->parts[count].assign(part);
    } else {
      path->parts.emplace_back(part);
    }
    ++count;
    length += part.size() + 1;
  }
  path->parts.resize(count);
  if (std::max<std::size_t>(length, 1) >= MAX_PATH) {
    return Status::Error(ERROR_FILENAME_EXCED_RANGE, "path too long: " + Utf16ToUtf8(text));
  }
  return Status::Ok();
}

}  // namespace emu
