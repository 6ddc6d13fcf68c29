// The zlib engine: gzopen, gzread and gzclose, with a larger input buffer than zlib's
// default so that the file is read, and inflate runs, in long stretches.
#include <zlib.h>

#include <utility>

#include "package/gzip_reader.h"
#include "platform/ce.h"

namespace {

// zlib reads this much of the file at a time and inflates into twice as much.
constexpr unsigned kZlibBufferSize = 256 * 1024;

class ZlibGzipReader : public GzipReader {
 public:
  explicit ZlibGzipReader(gzFile file) : file_(file) {}
  ~ZlibGzipReader() override {
    if (file_ != nullptr) gzclose(file_);
  }

  int Read(unsigned char* buffer, unsigned size) override { return gzread(file_, buffer, size); }

  // zlib reports a member cut off in the middle (read as a normal end) only on closing.
  bool Close() override { return gzclose(std::exchange(file_, nullptr)) == Z_OK; }

 private:
  gzFile file_;
};

}  // namespace

std::unique_ptr<GzipReader> OpenZlibGzipReader(const char* path) {
  const gzFile file = ce::gzopen(path, "rb");
  if (file == nullptr) return nullptr;
  gzbuffer(file, kZlibBufferSize);
  return std::make_unique<ZlibGzipReader>(file);
}
