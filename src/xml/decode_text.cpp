#include "xml/decode_text.h"

#include <climits>
#include <cstring>
#include <string_view>

namespace System::Xml {

namespace {

struct Entity {
  std::string_view name;  // what follows "&", the ";" included
  std::string_view output;
};

constexpr Entity kEntities[] = {
    {"lt;", "<"},    {"gt;", ">"},   {"amp;", "&"},    {"apos;", "'"},
    {"quot;", "\""}, {"nbsp;", " "}, {"copy;", "(c)"}, {"ndash;", "-"},
};

// atoi over [p, end): leading C whitespace, an optional sign, decimal digits; the
// result saturates at INT_MAX and INT_MIN, as the device's run-time library does.
int ReadNumber(const char* p, const char* end) {
  while (p < end && (*p == ' ' || (*p >= '\t' && *p <= '\r'))) ++p;
  bool negative = false;
  if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
  long long value = 0;
  for (; p < end && *p >= '0' && *p <= '9'; ++p) {
    value = value * 10 + (*p - '0');
    if (value > INT_MAX) return negative ? INT_MIN : INT_MAX;
  }
  return static_cast<int>(negative ? -value : value);
}

// Resolves the reference whose "&" stands just before `p`: appends its output at `out`
// and returns where scanning goes on.
const char* DecodeReference(const char* p, const char* end, char*& out) {
  const auto left = static_cast<std::size_t>(end - p);
  for (const Entity& entity : kEntities) {
    if (left >= entity.name.size() && std::memcmp(p, entity.name.data(), entity.name.size()) == 0) {
      std::memcpy(out, entity.output.data(), entity.output.size());
      out += entity.output.size();
      return p + entity.name.size();
    }
  }
  if (left > 0 && *p == '#') {
    // The low byte of the number; a zero byte would end the text for every reader of
    // it, so it is dropped, whatever number gave it.
    const int number = ReadNumber(p + 1, end);
    if (number > 0 && (number & 0xFF) != 0) *out++ = static_cast<char>(number & 0xFF);
    const void* semicolon = std::memchr(p + 1, ';', left - 1);
    return semicolon == nullptr ? end : static_cast<const char*>(semicolon) + 1;
  }
  *out++ = '&';
  return p;
}

}  // namespace

void DecodeText(const char* bytes, std::int32_t count, AnsiString& text) {
  if (count <= 0) return;
  text.Resize(count);
  char* out = text.data;
  const char* p = bytes;
  const char* const end = bytes + count;
  while (p < end) {
    const void* amp = std::memchr(p, '&', static_cast<std::size_t>(end - p));
    const char* const stop = amp == nullptr ? end : static_cast<const char*>(amp);
    std::memcpy(out, p, static_cast<std::size_t>(stop - p));
    out += stop - p;
    if (stop == end) break;
    p = DecodeReference(stop + 1, end, out);
  }
  text.length = static_cast<std::int32_t>(out - text.data);
  *out = 0;
}

}  // namespace System::Xml
