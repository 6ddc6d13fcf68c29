// CE paths: the device's path syntax, taken apart before anything touches the host.
//
// `\` and `/` both separate; empty components and a trailing separator are ignored;
// `.` and `..` are resolved here, within the device, and never climb above `\`; a path
// without a leading separator is taken from `\`. Every component that remains is
// checked to be a name the device can hold and the host can store: no control
// characters (NUL included), no separator, none of `< > : " | ? *` (wildcards only where a
// caller asks for a pattern), valid UTF-16, at most 255 bytes of UTF-8.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "status.h"

namespace emu {

struct CePath {
  std::vector<std::u16string> parts;  // empty for the root `\`
  bool endsWithSeparator = false;     // the text ended with `\` or `/` (or was only that)

  // What ParseCePath last read into this path up to its last component, and the number
  // and length of the components it made of that: a next text that begins the same way
  // is read from there on. Changing `parts` otherwise than by dropping components from
  // its end calls for clearing `readPrefix`.
  std::u16string readPrefix;
  std::size_t readCount = 0;
  std::size_t readLength = 0;

  bool IsRoot() const { return parts.empty(); }
  // The path in CE form, `\Windows\a.exe`; `\` for the root.
  std::u16string ToText() const;
};

enum class WildcardsIn { kNowhere, kLastComponent };

// Fails with ERROR_INVALID_NAME when a component is not a valid name, and with
// ERROR_FILENAME_EXCED_RANGE when the resolved path is MAX_PATH units or longer.
Status ParseCePath(std::u16string_view text, CePath* path,
                   WildcardsIn wildcards = WildcardsIn::kNowhere);

// Whether `name` can be one component of a device path (see above).
bool IsValidName(std::u16string_view name, bool allowWildcards);

// The UTF-8 spelling of a valid name.
std::string HostName(std::u16string_view name);

// The name that a host name (UTF-8) stands for; false when it can be no device name.
bool DeviceNameOf(std::string_view hostName, std::u16string* name);

}  // namespace emu
