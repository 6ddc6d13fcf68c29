// What `devicectl ls` lists: the entries of a device folder as FindFirstFileW finds them,
// optionally with the content of every folder below, and their text and JSON forms.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/ce.h"

namespace devicectl {

struct ListedEntry {
  std::string name;  // below the listed folder: "Temp", or "Windows\Start Menu" when recursive
  DWORD attributes = 0;
  std::uint64_t size = 0;
};

// Lists `path`: a folder's content, or the entries a pattern ("\Temp\*.txt") matches.
// With `recursive` every folder listed is followed by its whole content. False with
// *error set ("PATH: reason") when `path` or a folder below cannot be listed.
bool ListDevicePath(const std::string& path, bool recursive, std::vector<ListedEntry>* entries,
                    std::string* error);

// "D----": directory, hidden, read-only, system, archive.
std::string AttributeLetters(DWORD attributes);

// One line an entry: attributes, size and name, separated by tabs.
std::string ListingText(const std::vector<ListedEntry>& entries);
// A JSON array, an object an entry a line: name, attributes, folder, size.
std::string ListingJson(const std::vector<ListedEntry>& entries);

}  // namespace devicectl
