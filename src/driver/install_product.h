// InstallProduct: installs one delivered product file.
#pragma once

#include <cstdint>

#include "system/wide_string.h"

// Install scripts are kilobytes; a product of 100,000 files has one of a few megabytes.
// The scripts loaded at one time (an installation and the nested ones it runs) share
// this many bytes; a script that does not fit is not read, as if the package had none.
// A tree takes up to a hundred times its script's size in memory, and every level of
// nested installations keeps its own, so a small delivery that expands into a huge
// script must not be parsed.
constexpr std::int32_t kMaxInstallScriptSize = 16 * 1024 * 1024;

// `deliveredPath` is the full path of a delivered *.gz file; the caller keeps it.
// A delivery that cannot be expanded is kept and nothing of it is installed. An install
// script beyond kMaxInstallScriptSize is not read: the package counts as one without a script.
// Reports nothing.
void InstallProduct(const String& deliveredPath);
