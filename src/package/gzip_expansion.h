// Expansion of a delivered product file into the package file beside it.
#pragma once

#include <cstdint>

#include "package/gzip_reader.h"
#include "system/wide_string.h"

// The path without its last extension, cut only when its full stop stands after the
// last backslash: "\Temp\Tool.cab.gz" gives "\Temp\Tool.cab", "\Temp.d\Tool" is kept.
String StripExtension(const String& path);

// Streams the gzip file `source` into `destination` (created or truncated), member after
// member, in blocks of 16,384 bytes; a file without the gzip signature is copied
// unchanged (GzipReader gives the rules). Memory use is fixed whatever the size: the
// block and the engine's buffers.
//
// Returns 1 when all the data was read without error and written, 0 otherwise: a source
// that cannot be opened, a destination that cannot be created, damaged or truncated
// compressed data, a short write, or source and destination being the same path (then
// nothing is touched). After damaged data the destination holds what was expanded
// before it, less what the engine had inflated but not yet handed out (up to 512 KiB);
// it is not deleted here. The source is never changed. `*destinationOpened`, when
// given, tells whether the destination was opened (created or truncated), so that a
// caller removes only a file that this expansion wrote.
std::int32_t ExpandGzipFile(const String& source, const String& destination,
                            bool* destinationOpened = nullptr);

// ExpandGzipFile with the engine that `open` opens: for comparing engines.
std::int32_t ExpandGzipFileWith(GzipOpener open, const String& source, const String& destination,
                                bool* destinationOpened = nullptr);
