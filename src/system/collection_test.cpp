#include "system/collection.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

using System::Collections::Collection;

// Records what it releases, in order.
class RecordingCollection : public Collection {
 public:
  explicit RecordingCollection(std::int32_t initialCapacity, bool owns = true)
      : Collection(initialCapacity) {
    ownsItems = owns ? 1 : 0;
  }
  ~RecordingCollection() { Clear(); }
  void ReleaseItem(void* item) override {
    released.push_back(item == nullptr ? -1 : *static_cast<int*>(item));
  }
  std::vector<int> released;
};

// The synchronized mode with a lock of its own; tracks whether releases ran under it.
class LockedCollection : public Collection {
 public:
  LockedCollection() : Collection(0) {
    InitializeCriticalSection(&section_);
    synchronized = 1;
    ownsItems = 1;
  }
  ~LockedCollection() {
    Clear();
    DeleteCriticalSection(&section_);
  }
  CRITICAL_SECTION* SyncRoot() override { return &section_; }
  void ReleaseItem(void* item) override {
    if (probe) {
      // Another thread must be able to take the lock while RemoveAt releases an item
      // (Clear, by contrast, holds it throughout).
      std::thread other([this] {
        EnterCriticalSection(&section_);
        LeaveCriticalSection(&section_);
      });
      other.join();
      ++releasedOutsideLock;
    }
    delete static_cast<int*>(item);
  }
  bool probe = false;
  int releasedOutsideLock = 0;

 private:
  CRITICAL_SECTION section_;
};

std::vector<std::int32_t> CapacitiesWhileAdding(int items) {
  RecordingCollection collection(0, false);
  std::vector<std::int32_t> capacities{collection.capacity};
  static int item = 0;
  for (int i = 0; i < items; ++i) {
    collection.Add(&item);
    if (collection.capacity != capacities.back()) capacities.push_back(collection.capacity);
  }
  return capacities;
}

TEST(CollectionTest, InitialCapacity) {
  EXPECT_EQ(RecordingCollection(0).capacity, 4);
  EXPECT_EQ(RecordingCollection(-5).capacity, 4);
  EXPECT_EQ(RecordingCollection(10).capacity, 10);
  const RecordingCollection fresh(0);
  EXPECT_EQ(fresh.count, 0);
  EXPECT_EQ(fresh.synchronized, 0);
  EXPECT_EQ(fresh.items, nullptr);  // the array comes with the first item
}

TEST(CollectionTest, GrowthSequence) {
  EXPECT_EQ(CapacitiesWhileAdding(600),
            (std::vector<std::int32_t>{4, 8, 12, 28, 44, 60, 76, 114, 171, 256, 384, 576, 864}));
}

TEST(CollectionTest, NewSlotsAreZero) {
  RecordingCollection collection(0, false);
  int item = 0;
  for (int i = 0; i < 5; ++i) collection.Add(&item);
  ASSERT_EQ(collection.capacity, 8);
  for (int i = 5; i < 8; ++i) EXPECT_EQ(collection.items[i], nullptr);
}

TEST(CollectionTest, AddReturnsIndexAndKeepsNullItems) {
  RecordingCollection collection(0);
  int a = 1;
  EXPECT_EQ(collection.Add(&a), 0);
  EXPECT_EQ(collection.Add(nullptr), 1);
  EXPECT_EQ(collection.Count(), 2);
  EXPECT_EQ(collection.ItemAt(1), nullptr);
}

TEST(CollectionTest, OutOfRangeIndexes) {
  RecordingCollection collection(0);
  int a = 1;
  collection.Add(&a);
  EXPECT_EQ(collection.ItemAt(-1), nullptr);
  EXPECT_EQ(collection.ItemAt(1), nullptr);
  EXPECT_EQ(collection.RemoveAt(-1, true), 0);
  EXPECT_EQ(collection.RemoveAt(1, true), 0);
  EXPECT_EQ(collection.count, 1);
  EXPECT_TRUE(collection.released.empty());
}

TEST(CollectionTest, RemoveAtShiftsAndReleasesOwnedItem) {
  RecordingCollection collection(0);
  int values[] = {1, 2, 3};
  for (int& v : values) collection.Add(&v);
  EXPECT_EQ(collection.RemoveAt(0, true), 1);
  EXPECT_EQ(collection.count, 2);
  EXPECT_EQ(collection.ItemAt(0), &values[1]);
  EXPECT_EQ(collection.ItemAt(1), &values[2]);
  EXPECT_EQ(collection.released, std::vector<int>{1});
}

TEST(CollectionTest, NotOwningNeverReleases) {
  RecordingCollection collection(0, false);
  int values[] = {1, 2, 3};
  for (int& v : values) collection.Add(&v);
  collection.RemoveAt(1, true);
  collection.Clear();
  EXPECT_TRUE(collection.released.empty());
  EXPECT_EQ(collection.count, 0);
}

TEST(CollectionTest, ClearReleasesLastFirstAndShrinks) {
  RecordingCollection collection(0);
  int values[30];
  for (int i = 0; i < 30; ++i) {
    values[i] = i;
    collection.Add(&values[i]);
  }
  ASSERT_EQ(collection.capacity, 44);
  collection.released.clear();
  collection.Clear();
  ASSERT_EQ(collection.released.size(), 30u);
  EXPECT_EQ(collection.released.front(), 29);
  EXPECT_EQ(collection.released.back(), 0);
  EXPECT_EQ(collection.capacity, 4);
  EXPECT_EQ(collection.count, 0);
  collection.Add(&values[0]);
  void** const array = collection.items;
  for (int i = 1; i < 4; ++i) collection.Add(&values[i]);
  EXPECT_EQ(collection.items, array);  // four appends fit without reallocating
  EXPECT_EQ(collection.capacity, 4);
}

TEST(CollectionTest, SynchronizedModeUnderContention) {
  LockedCollection collection;
  constexpr int kPerThread = 5000;
  std::vector<std::thread> writers;
  for (int t = 0; t < 4; ++t) {
    writers.emplace_back([&collection] {
      for (int i = 0; i < kPerThread; ++i) collection.Add(new int(i));
    });
  }
  for (std::thread& writer : writers) writer.join();
  EXPECT_EQ(collection.Count(), 4 * kPerThread);
  for (int i = 0; i < collection.Count(); ++i) EXPECT_NE(collection.ItemAt(i), nullptr);
  // RemoveAt releases outside its lock: the probe thread in ReleaseItem gets through.
  collection.probe = true;
  EXPECT_EQ(collection.RemoveAt(0, true), 1);
  EXPECT_EQ(collection.RemoveAt(-1, true), 0);  // the lock is left on this path too
  EXPECT_EQ(collection.releasedOutsideLock, 1);
  collection.probe = false;
}

}  // namespace
