// JSON string literals, as the journal and the tools print them.
#pragma once

#include <string>
#include <string_view>

namespace emu {

// Appends `text` (UTF-8) as a JSON string: quotes, backslashes and control characters
// escaped, everything else as it is.
void AppendJsonString(std::string& out, std::string_view text);

}  // namespace emu
