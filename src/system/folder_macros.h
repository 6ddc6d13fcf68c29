// The folder macros of install scripts and command lines: "{ProgramFiles}",
// "{Programs}" and "{Windows}" stand for the platform's special folders.
#pragma once

#include <string_view>

#include "system/wide_string.h"

// The names between the braces, in the order they are replaced.
inline constexpr std::string_view kFolderMacroNames[] = {"ProgramFiles", "Programs", "Windows"};

// `text` with every macro replaced by its folder path, the three in that order
// (case-sensitive; text inserted by one replacement is seen by the later ones).
String ExpandFolderMacros(const String& text);
