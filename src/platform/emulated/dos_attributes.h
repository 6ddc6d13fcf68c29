// The CE attribute word of a host entry, kept in its extended attribute `user.DOSATTRIB`
// as Samba and Wine keep it: the text "0x" and the word in hex.
//
// Only the bits a program can set are stored (read-only, hidden, system, archive); the
// folder bit comes from the entry's type and the hidden bit also from a leading dot.
#pragma once

#include <string>
#include <string_view>

#include "platform/ce.h"
#include "status.h"

namespace emu {

constexpr DWORD kStoredAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                    FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;

// The stored bits of the open entry `fd`; 0 when it has none or the host file system
// keeps no extended attributes.
DWORD ReadStoredAttributes(int fd);
// The stored bits of the entry `name` of the open folder `folder`, read without opening
// it (through /proc/self/fd where there is one) and never through a link.
DWORD ReadStoredAttributesAt(int folder, const std::string& name);
// Replaces the stored bits; the attribute is removed when none is left.
Status WriteStoredAttributes(int fd, DWORD attributes);

// The word that FindFirstFileW and GetFileAttributesW report for an entry.
DWORD AttributeWord(DWORD stored, bool isFolder, std::u16string_view name);

// Parses the text form; 0 for anything else.
DWORD ParseDosAttrib(std::string_view text);

}  // namespace emu
