// The edit distance between two words, for suggesting the command a user meant.
#pragma once

#include <string_view>

namespace tool {

// Levenshtein distance: insertions, deletions and replacements each count one.
int EditDistance(std::string_view from, std::string_view to);

}  // namespace tool
