// MultiByteToWideChar and WideCharToMultiByte for CP_ACP (Windows-1252) and CP_UTF8.
#include "code_page.h"

#include <algorithm>
#include <vector>

namespace emu {
namespace {

// Characters of the bytes 0x80 to 0x9F; the rest of Windows-1252 is Latin-1.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr char32_t kReplacement = 0xFFFD;

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// Reads one character at `index`, a surrogate pair as one; advances `index`.
char32_t NextCharacter(std::u16string_view text, std::size_t& index) {
  const char16_t unit = text[index++];
  if (IsHighSurrogate(unit) && index < text.size() && IsLowSurrogate(text[index])) {
    const char16_t low = text[index++];
    return 0x10000 + ((char32_t{unit} - 0xD800) << 10) + (char32_t{low} - 0xDC00);
  }
  if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) return kReplacement;
  return unit;
}

void AppendUtf16(std::u16string& out, char32_t character) {
  if (character >= 0x10000) {
    character -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (character >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (character & 0x3FF)));
  } else {
    out.push_back(static_cast<char16_t>(character));
  }
}

// Writes the UTF-8 form of `c` at `out` (room for four bytes); returns the end.
char* PutUtf8(char* out, char32_t c) {
  if (c < 0x80) {
    *out++ = static_cast<char>(c);
  } else if (c < 0x800) {
    *out++ = static_cast<char>(0xC0 | (c >> 6));
    *out++ = static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    *out++ = static_cast<char>(0xE0 | (c >> 12));
    *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    *out++ = static_cast<char>(0x80 | (c & 0x3F));
  } else {
    *out++ = static_cast<char>(0xF0 | (c >> 18));
    *out++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    *out++ = static_cast<char>(0x80 | (c & 0x3F));
  }
  return out;
}

// Decodes one UTF-8 sequence at `index`; a malformed one yields U+FFFD for its first byte.
char32_t NextUtf8(std::string_view text, std::size_t& index) {
  const auto lead = static_cast<unsigned char>(text[index++]);
  if (lead < 0x80) return lead;
  int extra = 0;
  char32_t value = 0;
  char32_t minimum = 0;
  if ((lead & 0xE0) == 0xC0) {
    extra = 1, value = lead & 0x1F, minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2, value = lead & 0x0F, minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3, value = lead & 0x07, minimum = 0x10000;
  } else {
    return kReplacement;
  }
  if (index + extra > text.size()) return kReplacement;
  for (int i = 0; i < extra; ++i) {
    const auto next = static_cast<unsigned char>(text[index + i]);
    if ((next & 0xC0) != 0x80) return kReplacement;
    value = (value << 6) | (next & 0x3F);
  }
  if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
    return kReplacement;
  }
  index += extra;
  return value;
}

}  // namespace

char16_t Windows1252ToUnicode(unsigned char byte) {
  return byte >= 0x80 && byte <= 0x9F ? kHighControls[byte - 0x80] : char16_t{byte};
}

int UnicodeToWindows1252(char32_t character) {
  if (character < 0x80 || (character >= 0xA0 && character <= 0xFF)) {
    return static_cast<int>(character);
  }
  for (int i = 0; i < 32; ++i) {
    if (kHighControls[i] == character) return 0x80 + i;
  }
  return -1;
}

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) AppendUtf16(out, NextUtf8(text, i));
  return out;
}

void AppendUtf8(std::u16string_view text, std::string* out) {
  // A unit takes at most three bytes; a surrogate pair, two units, takes four.
  const std::size_t start = out->size();
  out->resize(start + text.size() * 3);
  char* const begin = out->data() + start;
  char* end = begin;
  for (std::size_t i = 0; i < text.size();) {
    if (text[i] < 0x80) {
      *end++ = static_cast<char>(text[i++]);
    } else {
      end = PutUtf8(end, NextCharacter(text, i));
    }
  }
  out->resize(start + static_cast<std::size_t>(end - begin));
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  AppendUtf8(text, &out);
  return out;
}

std::u16string AnsiToUtf16(std::string_view text) {
  std::u16string out(text.size(), u'\0');
  for (std::size_t i = 0; i < text.size(); ++i) {
    out[i] = Windows1252ToUnicode(static_cast<unsigned char>(text[i]));
  }
  return out;
}

std::string Utf16ToAnsi(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char16_t unit : text) {
    const int byte = UnicodeToWindows1252(unit);
    out.push_back(byte < 0 ? '?' : static_cast<char>(byte));
  }
  return out;
}

}  // namespace emu

namespace {

// What Windows does with the caller's buffer for a result of `needed` units: a size of 0
// asks for the size needed; a buffer too small gets what fits and the call fails.
// Returns how many units to write; `*result` is what the call returns.
std::size_t Room(std::size_t needed, const void* destination, int destinationSize, int* result) {
  *result = 0;
  if (destinationSize == 0) {
    *result = static_cast<int>(needed);
    return 0;
  }
  if (destination == nullptr || destinationSize < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (needed > static_cast<std::size_t>(destinationSize)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return static_cast<std::size_t>(destinationSize);
  }
  *result = static_cast<int>(needed);
  return needed;
}

template <typename Unit>
int Deliver(const std::basic_string<Unit>& converted, Unit* destination, int destinationSize) {
  int result;
  const std::size_t fits = Room(converted.size(), destination, destinationSize, &result);
  std::copy_n(converted.begin(), fits, destination);
  return result;
}

}  // namespace

int MultiByteToWideChar(UINT codePage, DWORD /*flags*/, LPCSTR multiByte, int multiByteCount,
                        LPWSTR wide, int wideCount) {
  if (multiByte == nullptr || multiByteCount == 0 || multiByteCount < -1 ||
      (codePage != CP_ACP && codePage != CP_UTF8)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const std::size_t length =
      multiByteCount == -1 ? std::char_traits<char>::length(multiByte) + 1 : multiByteCount;
  const std::string_view source(multiByte, length);
  if (codePage == CP_UTF8) return Deliver(emu::Utf8ToUtf16(source), wide, wideCount);
  // A unit for each byte, straight into the caller's buffer.
  int result;
  const std::size_t fits = Room(length, wide, wideCount, &result);
  for (std::size_t i = 0; i < fits; ++i) {
    wide[i] = emu::Windows1252ToUnicode(static_cast<unsigned char>(source[i]));
  }
  return result;
}

int WideCharToMultiByte(UINT codePage, DWORD /*flags*/, LPCWSTR wide, int wideCount,
                        LPSTR multiByte, int multiByteCount, LPCSTR defaultChar,
                        LPBOOL usedDefaultChar) {
  if (wide == nullptr || wideCount == 0 || wideCount < -1 ||
      (codePage != CP_ACP && codePage != CP_UTF8)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const std::size_t length = wideCount == -1 ? ce::wcslen(wide) + 1 : wideCount;
  const std::u16string_view source(wide, length);
  if (codePage == CP_UTF8) return Deliver(emu::Utf16ToUtf8(source), multiByte, multiByteCount);
  // A byte for each unit, straight into the caller's buffer, as Windows converts to a
  // single-byte code page: each half of a surrogate pair becomes a default character.
  const char substitute = defaultChar != nullptr && *defaultChar != 0 ? *defaultChar : '?';
  int result;
  const std::size_t fits = Room(length, multiByte, multiByteCount, &result);
  bool usedDefault = false;
  for (std::size_t i = 0; i < length; ++i) {
    const int byte = emu::UnicodeToWindows1252(source[i]);
    if (byte < 0) usedDefault = true;
    if (i < fits) multiByte[i] = byte < 0 ? substitute : static_cast<char>(byte);
  }
  if (usedDefaultChar != nullptr) *usedDefaultChar = usedDefault ? TRUE : FALSE;
  return result;
}
