#include "package/entry_index.h"

#include <algorithm>

#include "package/resource_package.h"

namespace System::IO {

namespace {

// FNV-1a over the name's bytes.
std::size_t Hash(std::string_view name) {
  std::uint32_t hash = 2166136261u;
  for (const char c : name) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
  return hash;
}

}  // namespace

std::size_t EntryIndex::SlotsFor(std::int32_t count) {
  std::size_t slots = 4;
  while (slots * 3 < static_cast<std::size_t>(count) * 4) slots *= 2;
  return slots;
}

std::size_t EntryIndex::BytesFor(std::int32_t count) {
  return SlotsFor(count) * sizeof(std::int32_t);
}

EntryIndex::EntryIndex(const PackageEntry* entries, std::int32_t count)
    : entries_(entries),
      mask_(SlotsFor(count) - 1),
      slots_(std::make_unique_for_overwrite<std::int32_t[]>(mask_ + 1)) {
  std::fill_n(slots_.get(), mask_ + 1, -1);
  for (std::int32_t i = 0; i < count; ++i) {
    const std::string_view name(entries[i].name);
    std::size_t slot = Hash(name) & mask_;
    // Probing stops at an empty slot, or at an earlier entry of the same name, which wins.
    while (slots_[slot] >= 0 && name != entries[slots_[slot]].name) slot = (slot + 1) & mask_;
    if (slots_[slot] < 0) slots_[slot] = i;
  }
}

std::int32_t EntryIndex::Find(std::string_view name) const {
  if (slots_ == nullptr) return -1;
  for (std::size_t slot = Hash(name) & mask_;; slot = (slot + 1) & mask_) {
    const std::int32_t entry = slots_[slot];
    if (entry < 0 || name == entries_[entry].name) return entry;
  }
}

}  // namespace System::IO
