// CommandLine: the program's command-line text split into arguments.
//
// Splitting: outside quotes a space ends an argument (two spaces make an empty one) and
// a double quote opens a quoted stretch; inside quotes two double quotes give one, and a
// double quote followed by anything else closes the stretch without ending the
// argument. Tabs never separate. The last argument is kept only when it is not empty.
// Switches are compared exactly and case-sensitively.
#pragma once

#include <cstdint>

#include "platform/ce.h"
#include "system/string_builder.h"
#include "system/wide_string.h"

class CommandLine {
 public:
  // The number of arguments, stored once splitting has finished.
  std::int32_t count = 0;
  // One String per argument, in order; owned.
  System::Text::StringBuilder arguments;

  // A null text counts as empty.
  explicit CommandLine(const WCHAR* text);

  // The index of the first argument equal to `option`, or -1.
  std::int32_t IndexOfOption(const WCHAR* option);
  // A copy of the argument after `option`, whatever it holds; the empty String when the
  // option is missing or last.
  String GetOptionValue(const WCHAR* option);
};
