#include "system/collection.h"

#include <cstring>
#include <new>

#include "memory/block_heap.h"

namespace System::Collections {

namespace {
constexpr std::int32_t kMinimumSlots = 4;

std::size_t Bytes(std::int32_t slots) { return sizeof(void*) * static_cast<std::size_t>(slots); }
bool IsSmall(std::int32_t slots) { return Bytes(slots) <= System::kMaxBlockSize; }

// Item arrays, zero-filled: small ones from the block heap (a parsed script has one for
// nearly every element), larger ones from the process heap, which grows them in place.
// Null when there is no memory left.
void** AllocateSlots(std::int32_t slots) {
  void* memory = nullptr;
  if (IsSmall(slots)) {
    try {
      memory = System::AllocateBlock(Bytes(slots));
    } catch (const std::bad_alloc&) {
      return nullptr;
    }
    std::memset(memory, 0, Bytes(slots));
  } else {
    memory = HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, Bytes(slots));
  }
  return static_cast<void**>(memory);
}

void FreeSlots(void** items, std::int32_t slots) {
  if (items == nullptr) return;
  if (IsSmall(slots)) {
    System::FreeBlock(items, Bytes(slots));
  } else {
    HeapFree(GetProcessHeap(), 0, items);
  }
}

// The array of `slots` items resized to `wanted`, its new slots zero; null, with the
// array unchanged, when there is no memory left.
void** ResizeSlots(void** items, std::int32_t slots, std::int32_t wanted) {
  if (!IsSmall(slots) && !IsSmall(wanted)) {
    return static_cast<void**>(
        HeapReAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, items, Bytes(wanted)));
  }
  void** const resized = AllocateSlots(wanted);
  if (resized == nullptr) return nullptr;
  if (items != nullptr) {
    std::memcpy(resized, items, Bytes(slots < wanted ? slots : wanted));
    FreeSlots(items, slots);
  }
  return resized;
}

}  // namespace

// Holds the collection's critical section for a scope, when the mode asks for it.
class Collection::Lock {
 public:
  Lock(Collection& collection, bool take)
      : section_(take && collection.synchronized != 0 ? collection.SyncRoot() : nullptr) {
    if (section_ != nullptr) EnterCriticalSection(section_);
  }
  ~Lock() {
    if (section_ != nullptr) LeaveCriticalSection(section_);
  }
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;

 private:
  CRITICAL_SECTION* const section_;
};

// The array of the first slots is made when the first item comes: most elements of a
// script have no children, many no attributes.
Collection::Collection(std::int32_t initialCapacity)
    : capacity(initialCapacity > 0 ? initialCapacity : kMinimumSlots) {}

Collection::~Collection() {
  // Any items left belong to a class that did not clear them; only the array goes here.
  FreeSlots(items, capacity);
}

CRITICAL_SECTION* Collection::SyncRoot() { return nullptr; }

std::int32_t Collection::Count() {
  const Lock lock(*this, true);
  return count;
}

bool Collection::EnsureCapacity() {
  if (items == nullptr) {
    items = AllocateSlots(capacity);
    if (items == nullptr) return false;
  }
  if (count < capacity) return true;
  const std::int32_t increment = capacity > 64 ? capacity / 2 : capacity > 8 ? 16 : 4;
  const std::int32_t grown = count + increment;
  void** const resized = ResizeSlots(items, capacity, grown);
  if (resized == nullptr) return false;
  items = resized;
  capacity = grown;
  return true;
}

std::int32_t Collection::Add(void* item) {
  // The common case: no lock, and a free slot.
  if (synchronized == 0 && count < capacity && items != nullptr) {
    items[count] = item;
    return count++;
  }
  {
    const Lock lock(*this, true);
    if (EnsureCapacity()) {
      items[count] = item;
      return count++;
    }
  }
  if (ownsItems != 0) ReleaseItem(item);
  return -1;
}

void* Collection::ItemAt(std::int32_t index) {
  const Lock lock(*this, true);
  if (index < 0 || index >= count) return nullptr;
  return items[index];
}

std::int32_t Collection::RemoveAt(std::int32_t index, bool takeLock) {
  void* removed = nullptr;
  {
    const Lock lock(*this, takeLock);
    if (index < 0 || index >= count) return 0;
    if (ownsItems != 0) removed = ItemAt(index);
    if (index != count - 1) {
      std::memmove(items + index, items + index + 1,
                   sizeof(void*) * static_cast<std::size_t>(count - 1 - index));
    }
    --count;
  }
  if (ownsItems != 0) ReleaseItem(removed);
  return 1;
}

void Collection::ClearForDestruction() {
  const Lock lock(*this, true);
  if (ownsItems != 0) {
    while (count > 0) RemoveAt(count - 1, false);
  }
  count = 0;
}

void Collection::Clear() {
  const Lock lock(*this, true);
  if (ownsItems != 0) {
    while (count > 0) RemoveAt(count - 1, false);
  }
  // Back to the first slots, which are made again when an item comes.
  FreeSlots(items, capacity);
  items = nullptr;
  capacity = kMinimumSlots;
  count = 0;
}

}  // namespace System::Collections
