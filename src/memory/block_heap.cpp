#include "memory/block_heap.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <new>

namespace System {

namespace block_heap_internal {
constinit thread_local Cursor cursor{nullptr, nullptr, 0, nullptr};
}  // namespace block_heap_internal

namespace {

using block_heap_internal::cursor;
using block_heap_internal::kAlignment;
using block_heap_internal::MarkUnusable;
using block_heap_internal::MarkUsable;

constexpr std::size_t kChunkSize = std::size_t{64} * 1024;
// A chunk's count is a machine word: a wider atomic is no single instruction on 32-bit
// ARM, and would cost every free a call and a lock.
using ChunkCount = std::intptr_t;
// Added to a chunk's count while a thread still cuts blocks from it, so that frees of
// its early blocks never bring the count to zero before it is retired. The count stays
// below twice the bias: a chunk has at most kChunkSize / kAlignment blocks, and fewer
// than 2^30 owners can retain one in a 32-bit address space.
constexpr ChunkCount kCurrentBias = ChunkCount{1} << 30;
static_assert(2 * static_cast<std::int64_t>(kCurrentBias) - 1 <=
                  std::numeric_limits<std::int32_t>::max(),
              "a chunk's count must fit the 32-bit word of the handhelds' processors");

struct alignas(16) Chunk {
  // Blocks not yet freed, plus kCurrentBias while the chunk is current.
  std::atomic<ChunkCount> live{kCurrentBias};
};

Chunk* ChunkOf(void* block) {
  return reinterpret_cast<Chunk*>(reinterpret_cast<std::uintptr_t>(block) & ~(kChunkSize - 1));
}

void FreeChunk(Chunk* chunk) {
  chunk->~Chunk();
  MarkUsable(chunk, kChunkSize);
  ::operator delete (chunk, std::align_val_t{kChunkSize});
}

// The thread is done with its current chunk: the chunk's count becomes the number of
// its blocks still alive.
void RetireCurrentChunk() {
  auto* chunk = static_cast<Chunk*>(cursor.chunk);
  if (chunk == nullptr) return;
  const ChunkCount change = static_cast<ChunkCount>(cursor.cut) - kCurrentBias;
  if (chunk->live.fetch_add(change, std::memory_order_acq_rel) + change == 0) FreeChunk(chunk);
  cursor = {nullptr, nullptr, 0, nullptr};
}

// Retires the thread's chunk when the thread ends.
struct Retirer {
  ~Retirer() { RetireCurrentChunk(); }
};
thread_local Retirer retirer;

std::atomic<BlockFreeObserver> freeObserver{nullptr};

std::size_t Rounded(std::size_t size) {
  return size == 0 ? kAlignment : (size + kAlignment - 1) & ~(kAlignment - 1);
}

}  // namespace

namespace block_heap_internal {

void* CutFromNewChunk(std::size_t rounded, std::size_t size) {
  static_cast<void>(&retirer);  // constructs it, so that its destructor runs
  RetireCurrentChunk();
  void* const memory = ::operator new (kChunkSize, std::align_val_t{kChunkSize});
  char* const start = static_cast<char*>(memory) + sizeof(Chunk);
  MarkUnusable(start, kChunkSize - sizeof(Chunk));
  cursor = {start + rounded, static_cast<char*>(memory) + kChunkSize, 1, new (memory) Chunk};
  MarkUsable(start, size);
  return start;
}

void* AllocateLarge(std::size_t size) { return ::operator new(size); }

}  // namespace block_heap_internal

void FreeBlock(void* block, std::size_t size) {
  if (block == nullptr) return;
  if (const BlockFreeObserver observer = freeObserver.load(std::memory_order_relaxed)) {
    observer(block);
  }
  if (size > kMaxBlockSize) {
    ::operator delete(block);
    return;
  }
  MarkUnusable(block, Rounded(size));
  Chunk* const chunk = ChunkOf(block);
  if (chunk->live.fetch_sub(1, std::memory_order_acq_rel) == 1) FreeChunk(chunk);
}

void RetainBlock(void* block, std::size_t /*size*/) {
  ChunkOf(block)->live.fetch_add(1, std::memory_order_relaxed);
}

void ObserveBlockFrees(BlockFreeObserver observer) { freeObserver.store(observer); }

}  // namespace System
