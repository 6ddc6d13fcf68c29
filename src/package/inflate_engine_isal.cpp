// The build's inflate engine: ISA-L.
#include "package/gzip_reader.h"
#include "package/gzip_reader_isal.h"

std::unique_ptr<GzipReader> OpenGzipReader(const char* path) { return OpenIsalGzipReader(path); }
