// Test support: a String's text as a standard string, so that expectations compare texts.
// A null String gives "<null>", which no expected text spells, so null and empty differ.
#pragma once

#include <string>

#include "system/wide_string.h"

namespace test {

std::basic_string<WCHAR> Text(const String& s);

}  // namespace test
