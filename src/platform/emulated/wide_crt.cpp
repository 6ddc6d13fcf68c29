// The C run-time's wide functions on 16-bit units (the host's wchar_t is 32 bits).
#include "platform/ce.h"

namespace ce {

std::size_t wcslen(const WCHAR* text) {
  std::size_t length = 0;
  while (text[length] != 0) ++length;
  return length;
}

int wcscmp(const WCHAR* left, const WCHAR* right) {
  while (*left != 0 && *left == *right) {
    ++left;
    ++right;
  }
  if (*left == *right) return 0;
  return *left < *right ? -1 : 1;
}

}  // namespace ce
