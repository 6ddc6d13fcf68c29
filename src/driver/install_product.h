// InstallProduct: installs one delivered product file.
#pragma once

#include "system/wide_string.h"

// `deliveredPath` is the full path of a delivered *.gz file; the caller keeps it.
// A delivery that cannot be expanded is kept and nothing of it is installed. An install
// script over 16 MiB is not read: the package is treated as one without a script.
// Reports nothing.
void InstallProduct(const String& deliveredPath);
