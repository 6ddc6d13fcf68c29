// BlockHeap: memory for small blocks made by the hundred thousand that mostly die
// together - the buffers of short narrow strings, the elements and attributes of a
// parsed install script, the item arrays of their collections.
//
// A block of up to kMaxBlockSize bytes is cut from the calling thread's current chunk of
// 64 KiB, one pointer bump; freeing it only counts down its chunk. A chunk goes back to
// the system when its last block is freed and its thread has moved on to a new chunk (or
// ended), so a tree that is torn down gives back all its memory. Freed blocks are not
// reused one by one: a chunk lives as long as its longest-lived block. Larger blocks
// come from operator new. Small blocks are aligned to 8 bytes, which every type stored
// here needs at most (they hold pointers, integers and bytes); large ones as operator
// new aligns.
//
// A block may be shared: RetainBlock asks for one more FreeBlock before the block goes,
// so that several owners of equal, never-changed bytes (the names of a parsed script)
// can hold one copy. Not in sanitizer builds, which see a block as unusable from its
// first free: there kBlocksShareable is false and callers keep copies of their own.
//
// Allocation never returns null; it throws std::bad_alloc like operator new. A block may
// be freed on any thread. REQUIRES: FreeBlock gets the size that AllocateBlock was given.
#pragma once

// The sanitizer interface, where the toolchain has one: its macros do nothing unless the
// build is sanitized.
#if __has_include(<sanitizer/asan_interface.h>)
#include <sanitizer/asan_interface.h>
#endif

#include <cstddef>
#include <cstdint>

namespace System {

constexpr std::size_t kMaxBlockSize = 1024;

// AllocateBlock is defined below, inline: its common case is a few instructions.
void FreeBlock(void* block, std::size_t size);

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kBlocksShareable = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kBlocksShareable = false;
#else
constexpr bool kBlocksShareable = true;
#endif
#else
constexpr bool kBlocksShareable = true;
#endif

// One more FreeBlock of `block` is needed before its memory goes. REQUIRES:
// kBlocksShareable, and `size` (what AllocateBlock was given) at most kMaxBlockSize.
void RetainBlock(void* block, std::size_t size);

// For tests: `observer` sees every block FreeBlock frees, small or large; null stops it.
using BlockFreeObserver = void (*)(void* block);
void ObserveBlockFrees(BlockFreeObserver observer);

namespace block_heap_internal {

constexpr std::size_t kAlignment = 8;

// Where the thread cuts its next block. Plain data, so that reaching it costs no call.
struct Cursor {
  char* next;
  char* end;
  std::int64_t cut;  // blocks cut from the current chunk
  void* chunk;
};
extern constinit thread_local Cursor cursor;

// The sanitizer build sees a block's bytes as usable only while the block is allocated,
// so that a use of the padding or of a freed block is caught; elsewhere these do nothing.
inline void MarkUsable([[maybe_unused]] void* start, [[maybe_unused]] std::size_t size) {
#if defined(ASAN_UNPOISON_MEMORY_REGION)
  ASAN_UNPOISON_MEMORY_REGION(start, size);
#endif
}
inline void MarkUnusable([[maybe_unused]] void* start, [[maybe_unused]] std::size_t size) {
#if defined(ASAN_POISON_MEMORY_REGION)
  ASAN_POISON_MEMORY_REGION(start, size);
#endif
}

// Cuts `rounded` bytes from a new chunk; the first `size` of them become usable.
void* CutFromNewChunk(std::size_t rounded, std::size_t size);
void* AllocateLarge(std::size_t size);

}  // namespace block_heap_internal

// The memory that AllocateBlock(size) takes: the block rounded up, or for a large block
// what operator new takes with its header.
constexpr std::size_t BlockFootprint(std::size_t size) {
  using block_heap_internal::kAlignment;
  if (size > kMaxBlockSize) return (size + 2 * sizeof(void*) + 15) & ~std::size_t{15};
  return size == 0 ? kAlignment : (size + kAlignment - 1) & ~(kAlignment - 1);
}

inline void* AllocateBlock(std::size_t size) {
  using namespace block_heap_internal;
  if (size > kMaxBlockSize) return AllocateLarge(size);
  const std::size_t rounded = size == 0 ? kAlignment : (size + kAlignment - 1) & ~(kAlignment - 1);
  Cursor& c = cursor;
  if (static_cast<std::size_t>(c.end - c.next) < rounded) return CutFromNewChunk(rounded, size);
  char* const block = c.next;
  c.next += rounded;
  ++c.cut;
  MarkUsable(block, size);
  return block;
}

}  // namespace System
