// A fault-injection seam for full-disk tests: a limit on the bytes this process may
// write through ce::fwrite.
//
// Once the limit is reached, ce::fwrite writes only the whole items that still fit and
// reports the short count, with ERROR_DISK_FULL (errno ENOSPC). Safe from any thread.
#pragma once

#include <cstddef>
#include <cstdint>

namespace emu {

// Starts counting from zero with a limit of `bytes`; a negative limit disables it (the
// default).
void SetWriteLimit(std::int64_t bytes);

// For ce::fwrite: how many of `count` items of `size` bytes may be written now. The
// caller must report what it wrote with CountWritten while it holds the returned guard.
class WriteBudget {
 public:
  WriteBudget();
  WriteBudget(const WriteBudget&) = delete;
  WriteBudget& operator=(const WriteBudget&) = delete;
  ~WriteBudget();

  std::size_t AllowedItems(std::size_t size, std::size_t count) const;
  void CountWritten(std::size_t bytes);
};

}  // namespace emu
