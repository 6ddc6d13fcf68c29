#include "testing/gzip_bytes.h"

#include <zlib.h>

#include <random>
#include <stdexcept>

namespace test {

namespace {

// deflate of `data` in the format that `windowBits` selects (zlib's deflateInit2).
std::string Deflate(std::string_view data, int level, int windowBits) {
  z_stream stream{};
  if (deflateInit2(&stream, level, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
    throw std::runtime_error("deflateInit2 failed");
  }
  std::string out(deflateBound(&stream, data.size()) + 32, '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  stream.avail_in = static_cast<uInt>(data.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  const int result = deflate(&stream, Z_FINISH);
  deflateEnd(&stream);
  if (result != Z_STREAM_END) throw std::runtime_error("deflate failed");
  out.resize(stream.total_out);
  return out;
}

}  // namespace

// 15 window bits plus 16: a gzip header and trailer around the deflate data.
std::string GzipBytes(std::string_view data, int level) { return Deflate(data, level, 15 + 16); }

std::string RawDeflateBytes(std::string_view data, int level) { return Deflate(data, level, -15); }

std::string RandomBytes(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& byte : bytes) byte = static_cast<char>(random());
  return bytes;
}

}  // namespace test
