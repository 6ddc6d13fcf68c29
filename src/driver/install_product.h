// InstallProduct: installs one delivered product file.
#pragma once

#include "system/wide_string.h"

// `deliveredPath` is the full path of a delivered *.gz file; the caller keeps it.
// Reports nothing.
void InstallProduct(const String& deliveredPath);
