// The command-line text that CE hands to WinMain, rebuilt from the host's arguments.
#pragma once

#include <string>
#include <vector>

namespace emu {

// Joins UTF-8 arguments into one UTF-16 text: separated by one space; an argument that
// is empty or holds a space or a double quote is written inside double quotes, each
// double quote in it doubled.
std::u16string JoinCommandLine(const std::vector<std::string>& arguments);

}  // namespace emu
