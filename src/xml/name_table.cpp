#include "xml/name_table.h"

#include <cstring>

#include "memory/block_heap.h"

namespace System::Xml {

namespace {

std::size_t BlockSize(std::int32_t length) { return static_cast<std::size_t>(length) + 1; }

// FNV-1a: short texts, a fixed table; nothing here needs more.
std::size_t Hash(const char* bytes, std::int32_t count) {
  std::uint32_t hash = 2166136261u;
  for (std::int32_t i = 0; i < count; ++i) {
    hash = (hash ^ static_cast<unsigned char>(bytes[i])) * 16777619u;
  }
  return hash;
}

}  // namespace

NameTable::~NameTable() {
  if (measuring_) return;
  for (const Slot& slot : slots_) {
    if (slot.data != nullptr) FreeBlock(const_cast<char*>(slot.data), BlockSize(slot.length));
  }
}

NameTable::Slot& NameTable::SlotFor(const char* bytes, std::int32_t count, bool* found) {
  Slot* const set = &slots_[(Hash(bytes, count) % kSets) * kWays];
  std::size_t way = 0;
  *found = false;
  for (; way < kWays; ++way) {
    const Slot& slot = set[way];
    if (slot.data != nullptr && slot.length == count &&
        std::memcmp(slot.data, bytes, static_cast<std::size_t>(count)) == 0) {
      *found = true;
      break;
    }
  }
  if (way == kWays) way = kWays - 1;  // the least recent gives way
  // To the front; the slots before it move back by one.
  const Slot chosen = set[way];
  for (; way > 0; --way) set[way] = set[way - 1];
  set[0] = chosen;
  return set[0];
}

void NameTable::Assign(AnsiString& target, const char* bytes, std::int32_t count) {
  if (!kBlocksShareable || count > kMaxSharedLength) {
    target.Assign(bytes, count);
    return;
  }
  bool found = false;
  Slot& slot = SlotFor(bytes, count, &found);
  if (!found) {
    // A block of its own for the text, which the slot keeps a share of from now on.
    char* const data = static_cast<char*>(AllocateBlock(BlockSize(count)));
    std::memcpy(data, bytes, static_cast<std::size_t>(count));
    data[count] = 0;
    if (slot.data != nullptr) FreeBlock(const_cast<char*>(slot.data), BlockSize(slot.length));
    slot = {data, count};
  }
  char* const shared = const_cast<char*>(slot.data);
  RetainBlock(shared, BlockSize(count));
  target.Release();
  target.data = shared;
  target.length = count;
  target.capacity = count;
}

std::int64_t NameTable::Measure(const char* bytes, std::int32_t count) {
  const auto own = static_cast<std::int64_t>(BlockFootprint(BlockSize(count)));
  if (!kBlocksShareable || count > kMaxSharedLength) return own;
  bool found = false;
  Slot& slot = SlotFor(bytes, count, &found);
  if (found) return 0;
  slot = {bytes, count};
  return own;
}

}  // namespace System::Xml
