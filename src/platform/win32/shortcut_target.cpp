#include "shortcut_target.h"

namespace ce::win32 {

ShortcutTarget SplitShortcutTarget(std::wstring_view text) {
  if (text.starts_with(L"\"\"")) {
    text.remove_prefix(1);
    if (text.size() > 1 && text.back() == L'"') text.remove_suffix(1);
  }
  ShortcutTarget target;
  std::wstring_view rest;
  if (!text.empty() && text.front() == L'"') {
    const std::size_t close = text.find(L'"', 1);
    target.program = text.substr(1, close == std::wstring_view::npos ? close : close - 1);
    if (close != std::wstring_view::npos) rest = text.substr(close + 1);
  } else {
    const std::size_t space = text.find(L' ');
    target.program = text.substr(0, space);
    if (space != std::wstring_view::npos) rest = text.substr(space);
  }
  const std::size_t start = rest.find_first_not_of(L' ');
  if (start != std::wstring_view::npos) target.arguments = rest.substr(start);
  return target;
}

}  // namespace ce::win32
