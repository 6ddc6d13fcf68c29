#include "name_compare.h"

#include <algorithm>

#include "code_page.h"

namespace emu {

char16_t FoldCase(char16_t unit) {
  if (unit >= u'a' && unit <= u'z') return unit - 0x20;
  if (unit < 0xB5) return unit;
  if (unit == 0xB5) return 0x39C;  // micro sign: Greek capital mu
  if (unit >= 0xE0 && unit <= 0xFE && unit != 0xF7) return unit - 0x20;
  if (unit == 0xFF) return 0x178;
  if (unit >= 0x100 && unit <= 0x17F) {
    // Latin Extended-A pairs capital and small letters on even and odd units, except
    // for three runs that pair odd with even.
    const bool oddPairs = (unit >= 0x139 && unit <= 0x148) || (unit >= 0x179 && unit <= 0x17E);
    if (unit == 0x131 || unit == 0x138 || unit == 0x149 || unit == 0x17F) return unit;
    if (oddPairs) return (unit % 2 == 0) ? unit - 1 : unit;
    return (unit % 2 == 1) ? unit - 1 : unit;
  }
  if (unit >= 0x3B1 && unit <= 0x3CB && unit != 0x3C2) return unit - 0x20;
  if (unit == 0x3C2) return 0x3A3;  // final sigma
  if (unit >= 0x430 && unit <= 0x44F) return unit - 0x20;
  if (unit >= 0x450 && unit <= 0x45F) return unit - 0x50;
  return unit;
}

std::u16string FoldCase(std::u16string_view text) {
  std::u16string folded(text);
  for (char16_t& unit : folded) unit = FoldCase(unit);
  return folded;
}

bool EqualsIgnoringCase(std::u16string_view left, std::u16string_view right) {
  return left.size() == right.size() &&
         std::equal(left.begin(), left.end(), right.begin(),
                    [](char16_t a, char16_t b) { return FoldCase(a) == FoldCase(b); });
}

bool LessIgnoringCase(std::u16string_view left, std::u16string_view right) {
  const auto folded = [](char16_t a, char16_t b) { return FoldCase(a) < FoldCase(b); };
  if (std::lexicographical_compare(left.begin(), left.end(), right.begin(), right.end(), folded)) {
    return true;
  }
  if (std::lexicographical_compare(right.begin(), right.end(), left.begin(), left.end(), folded)) {
    return false;
  }
  return left < right;
}

std::string FoldedKey(std::u16string_view text) { return Utf16ToUtf8(FoldCase(text)); }

bool HasWildcards(std::u16string_view pattern) {
  return pattern.find_first_of(u"*?") != std::u16string_view::npos;
}

bool MatchesWildcard(std::u16string_view pattern, std::u16string_view name) {
  if (pattern == u"*.*") return true;
  // Greedy matching with one backtracking point: the position after the last `*`.
  std::size_t p = 0;
  std::size_t n = 0;
  std::size_t starAt = std::u16string_view::npos;
  std::size_t resumeAt = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == u'*') {
      starAt = p++;
      resumeAt = n;
    } else if (p < pattern.size() &&
               (pattern[p] == u'?' || FoldCase(pattern[p]) == FoldCase(name[n]))) {
      ++p;
      ++n;
    } else if (starAt != std::u16string_view::npos) {
      p = starAt + 1;
      n = ++resumeAt;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == u'*') ++p;
  return p == pattern.size();
}

}  // namespace emu
