// Expansion of a delivered product file into the package file beside it.
#pragma once

#include <cstdint>

#include "system/wide_string.h"

// The path without its last extension, cut only when its full stop stands after the
// last backslash: "\Temp\Tool.cab.gz" gives "\Temp\Tool.cab", "\Temp.d\Tool" is kept.
String StripExtension(const String& path);

// Streams the gzip file `source` into `destination` (created or truncated), member after
// member; a file without the gzip signature is copied unchanged. Memory use is one block
// of 16,384 bytes whatever the size.
//
// Returns 1 when all the data was read without error and written, 0 otherwise: a source
// that cannot be opened, a destination that cannot be created, damaged or truncated
// compressed data, a short write, or source and destination being the same path (then
// nothing is touched). After a failure the destination may hold part of the data; it is
// not deleted here. The source is never changed.
std::int32_t ExpandGzipFile(const String& source, const String& destination);
