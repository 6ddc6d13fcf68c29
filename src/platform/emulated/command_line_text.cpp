#include "command_line_text.h"

#include "code_page.h"

namespace emu {

std::u16string JoinCommandLine(const std::vector<std::string>& arguments) {
  std::u16string text;
  for (const std::string& argument : arguments) {
    if (&argument != &arguments.front()) text.push_back(u' ');
    const std::u16string wide = Utf8ToUtf16(argument);
    const bool quoted = wide.empty() || wide.find_first_of(u" \"") != std::u16string::npos;
    if (!quoted) {
      text += wide;
      continue;
    }
    text.push_back(u'"');
    for (const char16_t unit : wide) {
      if (unit == u'"') text.push_back(u'"');
      text.push_back(unit);
    }
    text.push_back(u'"');
  }
  return text;
}

}  // namespace emu
