// The target text of a CE shortcut, split the way the shell starts it.
#pragma once

#include <string>
#include <string_view>

namespace ce::win32 {

struct ShortcutTarget {
  std::wstring program;
  std::wstring arguments;
};

// `text` is a program path, in double quotes when it holds spaces, optionally followed
// by arguments: `"\Program Files\A\a.exe" -x` gives "\Program Files\A\a.exe" and "-x".
// Without a leading quote the program ends at the first space. Spaces between the two
// parts are dropped; the arguments are kept as they are. An opening quote without its
// closing one takes the rest of the text as the program.
//
// A text in doubled quotes, a target that was already quoted and got quoted once more
// (`""\Windows\a.exe""`, `""\Program Files\a.exe" -x"`), is read without its outer
// pair: the first quote, and the last when the text ends with one. The program is empty
// only when the text names none (`""`, ` -x`).
ShortcutTarget SplitShortcutTarget(std::wstring_view text);

}  // namespace ce::win32
