#include "text_wrap.h"

namespace tool {
namespace {

// The words of `text`: runs between spaces that are not inside brackets.
std::vector<std::string_view> Words(std::string_view text) {
  std::vector<std::string_view> words;
  int depth = 0;
  std::size_t start = std::string_view::npos;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    const char c = i < text.size() ? text[i] : ' ';
    if (c == ' ' && depth <= 0) {
      if (start != std::string_view::npos) words.push_back(text.substr(start, i - start));
      start = std::string_view::npos;
      continue;
    }
    if (start == std::string_view::npos) start = i;
    if (c == '[') ++depth;
    if (c == ']') --depth;
  }
  return words;
}

}  // namespace

std::vector<std::string> WrapLines(std::string_view text, std::size_t width) {
  std::vector<std::string> lines;
  for (const std::string_view word : Words(text)) {
    if (lines.empty() || lines.back().size() + 1 + word.size() > width) {
      lines.emplace_back(word);
    } else {
      lines.back() += ' ';
      lines.back() += word;
    }
  }
  return lines;
}

std::string Wrap(std::string_view text, std::size_t indent, std::size_t width) {
  const std::size_t room = width > indent ? width - indent : 1;
  std::string wrapped;
  for (const std::string& line : WrapLines(text, room)) {
    if (!wrapped.empty()) wrapped += std::string(indent, ' ');
    wrapped += line;
    wrapped += '\n';
  }
  return wrapped.empty() ? "\n" : wrapped;
}

}  // namespace tool
