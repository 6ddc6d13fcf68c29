// GzipReader: the expanded bytes of a delivered file, read block by block, with the
// rules of zlib's gzip file interface whatever engine inflates:
// - a file that does not begin with the gzip signature (bytes 31, 139) is plain data
//   and comes back unchanged; so does an empty file;
// - members that follow one another are expanded one after the other into one stream;
//   bytes after a member that do not begin with the signature are ignored;
// - damaged data (a bad header, an invalid deflate stream, a CRC or length in a trailer
//   that does not match) makes Read fail; a member cut off by the end of the file ends
//   the data early, and Close then reports it.
//
// The build chooses the engine: zlib, or ISA-L where it is built in (see gzip_reader_isal.h).
// Memory use is fixed, whatever the size of the file. One thread at a time.
#pragma once

#include <memory>

class GzipReader {
 public:
  virtual ~GzipReader() = default;

  // Expands up to `size` bytes into `buffer`: the count, 0 at the end of the data, or -1
  // for damaged data. After -1 the bytes of that call are lost; don't read again.
  virtual int Read(unsigned char* buffer, unsigned size) = 0;
  // Closes the file; false when the data was cut off or a read failed.
  virtual bool Close() = 0;
};

using GzipOpener = std::unique_ptr<GzipReader> (*)(const char* path);

// Opens the file at the narrow CE path `path` with the build's engine; null when it
// cannot be opened.
std::unique_ptr<GzipReader> OpenGzipReader(const char* path);

// The same with zlib's gzip file interface, whatever the build's engine.
std::unique_ptr<GzipReader> OpenZlibGzipReader(const char* path);
