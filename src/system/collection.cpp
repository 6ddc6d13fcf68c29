#include "system/collection.h"

#include <cstring>

namespace System::Collections {

namespace {
constexpr std::int32_t kMinimumSlots = 4;

void** AllocateSlots(std::int32_t slots) {
  return static_cast<void**>(
      HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(void*) * static_cast<SIZE_T>(slots)));
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

Collection::Collection(std::int32_t initialCapacity)
    : capacity(initialCapacity > 0 ? initialCapacity : kMinimumSlots),
      items(AllocateSlots(capacity)) {}

Collection::~Collection() {
  // Any items left belong to a class that did not clear them; only the array goes here.
  HeapFree(GetProcessHeap(), 0, items);
}

CRITICAL_SECTION* Collection::SyncRoot() { return nullptr; }

std::int32_t Collection::Count() {
  const Lock lock(*this, true);
  return count;
}

bool Collection::EnsureCapacity() {
  if (count < capacity) return true;
  const std::int32_t increment = capacity > 64 ? capacity / 2 : capacity > 8 ? 16 : 4;
  const std::int32_t grown = count + increment;
  void* resized = HeapReAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, items,
                              sizeof(void*) * static_cast<SIZE_T>(grown));
  if (resized == nullptr) return false;
  items = static_cast<void**>(resized);
  capacity = grown;
  return true;
}

std::int32_t Collection::Add(void* item) {
  // The common case: no lock, and a free slot.
  if (synchronized == 0 && count < capacity) {
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
  void* resized = HeapReAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, items,
                              sizeof(void*) * static_cast<SIZE_T>(kMinimumSlots));
  if (resized != nullptr) {
    items = static_cast<void**>(resized);
    capacity = kMinimumSlots;
  }
  count = 0;
}

}  // namespace System::Collections
