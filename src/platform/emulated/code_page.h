// Conversions between the device's texts and the host's.
//
// The device code page (CP_ACP) is Windows-1252; its five undefined bytes map to the
// C1 controls of the same value and back. Host names and arguments are UTF-8.
#pragma once

#include <string>
#include <string_view>

#include "platform/ce.h"

namespace emu {

// The character of one Windows-1252 byte.
char16_t Windows1252ToUnicode(unsigned char byte);
// The byte of a character, or -1 when Windows-1252 has none.
int UnicodeToWindows1252(char32_t character);

// UTF-8 to UTF-16; a malformed sequence becomes U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);
// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);
// The same, appended to `*out`.
void AppendUtf8(std::u16string_view text, std::string* out);

std::u16string AnsiToUtf16(std::string_view text);
// A UTF-16 unit without a byte becomes '?' (each half of a surrogate pair, too).
std::string Utf16ToAnsi(std::u16string_view text);

}  // namespace emu
