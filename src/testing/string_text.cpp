#include "testing/string_text.h"

namespace test {

std::basic_string<WCHAR> Text(const String& s) {
  if (s.data == nullptr) return TEXT("<null>");
  return std::basic_string<WCHAR>(s.data, s.length);
}

}  // namespace test
