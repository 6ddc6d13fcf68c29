// Names compared the way the device compares them: without regard to letter case.
//
// Case is folded to upper case, as Windows compares names: A-Z, Latin-1, Latin
// Extended-A, basic Greek and Cyrillic. Other units compare as they are. Pure
// functions, safe from any thread.
#pragma once

#include <string>
#include <string_view>

namespace emu {

char16_t FoldCase(char16_t unit);
std::u16string FoldCase(std::u16string_view text);

bool EqualsIgnoringCase(std::u16string_view left, std::u16string_view right);

// Ordinal order of the folded units; ties broken by the ordinal order of the units
// themselves, so that names differing only in case still have a fixed order.
bool LessIgnoringCase(std::u16string_view left, std::u16string_view right);

// The case-folded text in UTF-8: the key under which the database stores a name.
std::string FoldedKey(std::u16string_view text);

bool HasWildcards(std::u16string_view pattern);

// `*` matches any run of characters, `?` exactly one; letters match without regard to
// case. As on Windows, the pattern "*.*" matches every name, with or without a dot.
bool MatchesWildcard(std::u16string_view pattern, std::u16string_view name);

}  // namespace emu
