// The process heap: the general allocator with a size header, so that HeapReAlloc can
// zero exactly the bytes that growth adds.
#include <cstdlib>
#include <cstring>

#include "platform/ce.h"

namespace {

// Keeps the user block aligned like malloc's own blocks.
struct alignas(std::max_align_t) BlockHeader {
  SIZE_T size;
};

int processHeapTag;

BlockHeader* HeaderOf(LPVOID memory) { return static_cast<BlockHeader*>(memory) - 1; }

}  // namespace

HANDLE GetProcessHeap() { return &processHeapTag; }

LPVOID HeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes) {
  if (heap == nullptr || bytes > SIZE_T{0x7FFFFFFF}) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  auto* header = static_cast<BlockHeader*>(std::malloc(sizeof(BlockHeader) + bytes));
  if (header == nullptr) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  header->size = bytes;
  if ((flags & HEAP_ZERO_MEMORY) != 0) std::memset(header + 1, 0, bytes);
  return header + 1;
}

LPVOID HeapReAlloc(HANDLE heap, DWORD flags, LPVOID memory, SIZE_T bytes) {
  if (memory == nullptr) return nullptr;
  if (heap == nullptr || bytes > SIZE_T{0x7FFFFFFF}) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  const SIZE_T oldSize = HeaderOf(memory)->size;
  auto* header =
      static_cast<BlockHeader*>(std::realloc(HeaderOf(memory), sizeof(BlockHeader) + bytes));
  if (header == nullptr) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  header->size = bytes;
  if ((flags & HEAP_ZERO_MEMORY) != 0 && bytes > oldSize) {
    std::memset(reinterpret_cast<BYTE*>(header + 1) + oldSize, 0, bytes - oldSize);
  }
  return header + 1;
}

BOOL HeapFree(HANDLE heap, DWORD /*flags*/, LPVOID memory) {
  if (heap == nullptr) return FALSE;
  if (memory != nullptr) std::free(HeaderOf(memory));
  return TRUE;
}
