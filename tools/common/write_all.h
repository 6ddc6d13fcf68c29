// Writing a whole buffer to a file descriptor, for the tools' files on the host.
#pragma once

#include <cstddef>

namespace tool {

// Writes all `size` bytes of `data` to `fd`, again after an interruption; false with
// errno set when a write fails (EIO when it writes nothing).
bool WriteAll(int fd, const char* data, std::size_t size);

}  // namespace tool
