#include "write_limit.h"

#include <mutex>

namespace emu {
namespace {
std::mutex budgetMutex;
std::int64_t limit = -1;
std::int64_t written = 0;
}  // namespace

void SetWriteLimit(std::int64_t bytes) {
  std::lock_guard lock(budgetMutex);
  limit = bytes < 0 ? -1 : bytes;
  written = 0;
}

WriteBudget::WriteBudget() { budgetMutex.lock(); }
WriteBudget::~WriteBudget() { budgetMutex.unlock(); }

std::size_t WriteBudget::AllowedItems(std::size_t size, std::size_t count) const {
  if (limit < 0 || size == 0) return count;
  const auto remaining = static_cast<std::uint64_t>(written >= limit ? 0 : limit - written);
  const std::uint64_t fits = remaining / size;
  return fits < count ? static_cast<std::size_t>(fits) : count;
}

void WriteBudget::CountWritten(std::size_t bytes) { written += static_cast<std::int64_t>(bytes); }

}  // namespace emu
