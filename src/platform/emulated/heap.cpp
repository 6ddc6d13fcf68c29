// The process heap: the general allocator with a size header, so that HeapReAlloc can
// zero exactly the bytes that growth adds. Small blocks - a collection's first item
// arrays, by far the most common - come from the block heap, the rest from malloc.
#include <cstdlib>
#include <cstring>
#include <new>

#include "memory/block_heap.h"
#include "platform/ce.h"

namespace {

// Keeps the user block aligned like malloc's own blocks.
struct alignas(std::max_align_t) BlockHeader {
  SIZE_T size;
};

int processHeapTag;

BlockHeader* HeaderOf(LPVOID memory) { return static_cast<BlockHeader*>(memory) - 1; }

SIZE_T TotalSize(SIZE_T bytes) { return sizeof(BlockHeader) + bytes; }
bool IsSmall(SIZE_T bytes) { return TotalSize(bytes) <= System::kMaxBlockSize; }

// A block with its header set; null when the system has no memory left.
BlockHeader* NewBlock(SIZE_T bytes) {
  void* memory = nullptr;
  if (IsSmall(bytes)) {
    try {
      memory = System::AllocateBlock(TotalSize(bytes));
    } catch (const std::bad_alloc&) {
      return nullptr;  // HeapAlloc reports a failure, it does not throw
    }
  } else {
    memory = std::malloc(TotalSize(bytes));
  }
  auto* header = static_cast<BlockHeader*>(memory);
  if (header != nullptr) header->size = bytes;
  return header;
}

void DeleteBlock(BlockHeader* header) {
  if (IsSmall(header->size)) {
    System::FreeBlock(header, TotalSize(header->size));
  } else {
    std::free(header);
  }
}

bool Refused(HANDLE heap, SIZE_T bytes) {
  if (heap != nullptr && bytes <= SIZE_T{0x7FFFFFFF}) return false;
  SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return true;
}

}  // namespace

HANDLE GetProcessHeap() { return &processHeapTag; }

LPVOID HeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes) {
  if (Refused(heap, bytes)) return nullptr;
  BlockHeader* header = NewBlock(bytes);
  if (header == nullptr) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  if ((flags & HEAP_ZERO_MEMORY) != 0) std::memset(header + 1, 0, bytes);
  return header + 1;
}

LPVOID HeapReAlloc(HANDLE heap, DWORD flags, LPVOID memory, SIZE_T bytes) {
  if (memory == nullptr) return nullptr;
  if (Refused(heap, bytes)) return nullptr;
  BlockHeader* old = HeaderOf(memory);
  const SIZE_T oldSize = old->size;
  BlockHeader* header = nullptr;
  if (!IsSmall(oldSize) && !IsSmall(bytes)) {
    header = static_cast<BlockHeader*>(std::realloc(old, TotalSize(bytes)));
    if (header != nullptr) header->size = bytes;
  } else {
    header = NewBlock(bytes);
    if (header != nullptr) {
      std::memcpy(header + 1, memory, oldSize < bytes ? oldSize : bytes);
      DeleteBlock(old);
    }
  }
  if (header == nullptr) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  if ((flags & HEAP_ZERO_MEMORY) != 0 && bytes > oldSize) {
    std::memset(reinterpret_cast<BYTE*>(header + 1) + oldSize, 0, bytes - oldSize);
  }
  return header + 1;
}

BOOL HeapFree(HANDLE heap, DWORD /*flags*/, LPVOID memory) {
  if (heap == nullptr) return FALSE;
  if (memory != nullptr) DeleteBlock(HeaderOf(memory));
  return TRUE;
}
