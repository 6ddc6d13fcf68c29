#include "package/gzip_expansion.h"

#include <zlib.h>

#include "platform/ce.h"
#include "system/ansi_string.h"

namespace {

constexpr unsigned kBlockSize = 16384;

}  // namespace

String StripExtension(const String& path) {
  String result;
  if (path.length <= 0) {
    result.Resize(0);
    return result;
  }
  for (std::int32_t i = path.length - 1; i >= 0; --i) {
    if (path.data[i] == u'.') {
      result.Assign(path.data, i);
      return result;
    }
    if (path.data[i] == u'\\') break;
  }
  return path;
}

std::int32_t ExpandGzipFile(const String& source, const String& destination) {
  // Without an extension the package path is the delivered path itself; expanding a
  // file onto itself would destroy it.
  if (source.length <= 0 || destination.Equals(source.data)) return 0;

  AnsiString narrowSource;
  narrowSource.AssignFromWide(source.data, source.length);
  const gzFile compressed = ce::gzopen(narrowSource.data, "rb");
  if (compressed == nullptr) return 0;

  AnsiString narrowDestination;
  narrowDestination.AssignFromWide(destination.data, destination.length);
  ce::FILE* const output = ce::fopen(narrowDestination.data, "w+b");
  if (output == nullptr) {
    gzclose(compressed);
    return 0;
  }

  unsigned char buffer[kBlockSize];
  bool failed = false;
  for (;;) {
    const int read = gzread(compressed, buffer, kBlockSize);
    if (read < 0) {
      failed = true;
      break;
    }
    if (read == 0) break;
    if (ce::fwrite(buffer, 1, static_cast<std::size_t>(read), output) !=
        static_cast<std::size_t>(read)) {
      failed = true;
      break;
    }
  }
  // Buffered data reaches the disk on closing, and zlib reports a stream cut off in the
  // middle of a member (read as a normal end) only on closing: both count as failures.
  if (ce::fclose(output) != 0) failed = true;
  if (gzclose(compressed) != Z_OK) failed = true;
  return failed ? 0 : 1;
}
