// Test data made in memory: gzip members and reproducible random bytes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace test {

// One complete gzip member holding `data`.
std::string GzipBytes(std::string_view data, int level = 6);
// Raw deflate data of `data`, without header or trailer.
std::string RawDeflateBytes(std::string_view data, int level = 6);

// `size` bytes of a fixed pseudo-random sequence chosen by `seed`.
std::string RandomBytes(std::size_t size, unsigned seed = 1);

}  // namespace test
