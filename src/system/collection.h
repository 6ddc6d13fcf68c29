// Collection: the one container of the system, a growable array of item pointers.
//
// Abstract: a concrete class fixes what an item is through ReleaseItem. When `ownsItems`
// is set, every item the collection removes (RemoveAt, Clear, destruction) is destroyed
// through ReleaseItem; otherwise the collection only holds the pointers. Null items are
// stored like any other.
//
// The item array, zero-filled, is made with the first item (`items` is null until then),
// small arrays from the block heap, larger ones from the process heap. From 4 slots it
// grows by 4 up to 12, by 16 up to 76 and then by half: 4, 8, 12, 28, 44, 60, 76, 114,
// 171, ...; Clear gives it back, and the collection has 4 slots again.
//
// Synchronized mode: when `synchronized` is set and SyncRoot (overridden by a subclass)
// supplies a critical section, Count, Add, ItemAt and Clear hold it while they touch the
// fields, RemoveAt when asked to, and items are released outside it (except inside
// Clear, which holds it throughout). No class of the system uses the mode.
#pragma once

#include <cstdint>

#include "platform/ce.h"

namespace System::Collections {

class Collection {
 public:
  std::int32_t synchronized = 0;
  std::int32_t ownsItems = 0;
  std::int32_t count = 0;
  std::int32_t capacity = 0;
  void** items = nullptr;

  // 4 slots when `initialCapacity` is 0 or less.
  explicit Collection(std::int32_t initialCapacity);
  Collection(const Collection&) = delete;
  Collection& operator=(const Collection&) = delete;

  // Slot 0: the lock of synchronized mode; none here.
  virtual CRITICAL_SECTION* SyncRoot();
  // Slot 1: the number of items.
  virtual std::int32_t Count();
  // Slot 2: destroys one item; a null item is ignored.
  virtual void ReleaseItem(void* item) = 0;

  // Appends `item` and returns its index, or -1 when the array cannot grow (an owned
  // item is then released).
  std::int32_t Add(void* item);
  // The item at `index`, or null when `index` is out of range.
  void* ItemAt(std::int32_t index);
  // Removes the item at `index` and returns 1; 0 when out of range. An owned item is
  // released after the removal, outside the lock.
  std::int32_t RemoveAt(std::int32_t index, bool takeLock);
  // Removes every item, last first, and shrinks the array to 4 slots.
  void Clear();
  // Clear for a collection about to be destroyed: the same releases, in the same order,
  // without shrinking the array that destruction frees anyway.
  void ClearForDestruction();

 protected:
  // Not virtual: every class is destroyed as its exact type. A concrete class clears
  // its items in its own destructor, where ReleaseItem still reaches it.
  ~Collection();

 private:
  class Lock;
  bool EnsureCapacity();
};

}  // namespace System::Collections
