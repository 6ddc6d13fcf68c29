// Registry files (.reg) in the format regedit writes, for devicectl and tests.
//
// Export writes "Windows Registry Editor Version 5.00" text in UTF-8 with LF line ends:
// keys with their full root names, depth first, subkeys and values in ordinal order
// ignoring case, the default value as `@`. REG_SZ data that is one terminated string
// without line breaks is written as "text" (`\` and `"` escaped); a 4-byte REG_DWORD as
// dword:XXXXXXXX; REG_BINARY as hex:; everything else as hex(N): (N in hex), long data
// continued over lines ending in `\` as regedit does. Importing an export gives back the
// same registry.
//
// Import reads what regedit writes: REGEDIT4 or version 5.00, UTF-16LE with a byte-order
// mark, UTF-8 (Windows-1252 when the text is not valid UTF-8), CRLF or LF, `;` comments,
// [KEY], [-KEY] (deletes the key and its subtree), "name"=-, @=, strings, dword:, hex:
// and hex(N): continued over lines ending in `\`. Root names may be full or short
// (HKLM). A file is applied in one transaction, all or nothing: a malformed line fails
// with ERROR_INVALID_DATA and the message "line N: what is wrong", and nothing is applied.
// Every line is read all the same, so that all the mistakes of a file are told at once.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "device.h"
#include "status.h"

namespace emu {

// `key` is a full key path such as `HKEY_LOCAL_MACHINE\Software\A`; empty for the whole
// registry. A missing key fails with ERROR_FILE_NOT_FOUND. *text is cleared first.
Status ExportRegistry(Device& device, std::u16string_view key, std::string* text);

Status ImportRegistry(Device& device, std::string_view bytes);
// The same; *mistakes gets every malformed line's message, in order, the first of them
// the status's.
Status ImportRegistry(Device& device, std::string_view bytes, std::vector<std::string>* mistakes);

}  // namespace emu
