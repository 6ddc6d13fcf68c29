#include "driver/command_line.h"

CommandLine::CommandLine(const WCHAR* text) {
  const std::int32_t textLength = text == nullptr ? 0 : static_cast<std::int32_t>(ce::wcslen(text));
  // An argument never holds more units than the text, so one buffer of that size holds
  // the argument being built without regrowing it unit by unit.
  String current;
  current.Resize(textLength);
  std::int32_t currentLength = 0;
  bool insideQuotes = false;
  for (std::int32_t i = 0; i < textLength; ++i) {
    const WCHAR unit = text[i];
    if (!insideQuotes) {
      if (unit == u' ') {
        arguments.AddString(current.data, currentLength);
        currentLength = 0;
      } else if (unit == u'"') {
        insideQuotes = true;
      } else {
        current.data[currentLength++] = unit;
      }
    } else if (unit != u'"') {
      current.data[currentLength++] = unit;
    } else if (i + 1 < textLength && text[i + 1] == u'"') {
      current.data[currentLength++] = u'"';
      ++i;
    } else {
      insideQuotes = false;
    }
  }
  if (currentLength > 0) arguments.AddString(current.data, currentLength);
  count = arguments.Count();
}

std::int32_t CommandLine::IndexOfOption(const WCHAR* option) {
  for (std::int32_t i = 0; i < count; ++i) {
    const String* argument = arguments.ItemAt(i);
    if (argument != nullptr && argument->data != nullptr &&
        ce::wcscmp(argument->data, option) == 0) {
      return i;
    }
  }
  return -1;
}

String CommandLine::GetOptionValue(const WCHAR* option) {
  const std::int32_t index = IndexOfOption(option);
  String value;
  if (index >= 0 && index < count - 1) {
    value = *arguments.ItemAt(index + 1);
  }
  if (value.data == nullptr) value.Resize(0);
  return value;
}
