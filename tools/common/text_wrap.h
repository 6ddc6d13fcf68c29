// Wraps text for a terminal: the help texts of the tools fit in 80 columns.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tool {

inline constexpr std::size_t kHelpWidth = 80;

// The words of `text` as lines of at most `width` characters. Words are split at spaces
// outside brackets, so that "[--as NAME]" stays on one line; a word longer than `width`
// gets a line of its own.
std::vector<std::string> WrapLines(std::string_view text, std::size_t width);

// `text` wrapped to `width`, each line after the first indented by `indent` spaces, and
// ending in a newline.
std::string Wrap(std::string_view text, std::size_t indent, std::size_t width = kHelpWidth);

}  // namespace tool
