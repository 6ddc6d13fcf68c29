// The build's inflate engine: zlib.
#include "package/gzip_reader.h"

std::unique_ptr<GzipReader> OpenGzipReader(const char* path) { return OpenZlibGzipReader(path); }
