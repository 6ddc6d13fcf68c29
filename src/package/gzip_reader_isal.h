// The ISA-L inflate engine, for x86-64 and aarch64 Linux hosts, built in with
// -DUPDATER_INFLATE_ENGINE=isal (Debian: libisal-dev). It follows every rule of
// GzipReader exactly as the zlib engine does; only the speed differs.
#pragma once

#include <memory>

#include "package/gzip_reader.h"

// Opens the file at the narrow CE path `path`; null when it cannot be opened.
std::unique_ptr<GzipReader> OpenIsalGzipReader(const char* path);
