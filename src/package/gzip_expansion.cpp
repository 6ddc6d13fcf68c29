#include "package/gzip_expansion.h"

#include <memory>

#include "package/gzip_reader.h"
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

std::int32_t ExpandGzipFile(const String& source, const String& destination,
                            bool* destinationOpened) {
  return ExpandGzipFileWith(OpenGzipReader, source, destination, destinationOpened);
}

std::int32_t ExpandGzipFileWith(GzipOpener open, const String& source, const String& destination,
                                bool* destinationOpened) {
  if (destinationOpened != nullptr) *destinationOpened = false;
  // Without an extension the package path is the delivered path itself; expanding a
  // file onto itself would destroy it.
  if (source.length <= 0 || destination.Equals(source.data)) return 0;

  AnsiString narrowSource;
  narrowSource.AssignFromWide(source.data, source.length);
  const std::unique_ptr<GzipReader> compressed = open(narrowSource.data);
  if (compressed == nullptr) return 0;

  AnsiString narrowDestination;
  narrowDestination.AssignFromWide(destination.data, destination.length);
  ce::FILE* const output = ce::fopen(narrowDestination.data, "w+b");
  if (output == nullptr) {
    compressed->Close();
    return 0;
  }
  if (destinationOpened != nullptr) *destinationOpened = true;

  unsigned char buffer[kBlockSize];
  bool failed = false;
  for (;;) {
    const int read = compressed->Read(buffer, kBlockSize);
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
  // Buffered data reaches the disk on closing, and a member cut off in the middle (read
  // as a normal end) is reported only on closing: both count as failures.
  if (ce::fclose(output) != 0) failed = true;
  if (!compressed->Close()) failed = true;
  return failed ? 0 : 1;
}
