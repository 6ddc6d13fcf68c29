// EntryIndex: a package's entry names to the first entry of each, for FindEntry.
//
// Open addressing over 32-bit entry numbers, at most three slots in four used, so that a
// package of 100,000 entries indexes them in about 1 MiB. The names are not copied: the
// index looks them up in the entries, which must outlive it and stay unchanged.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

namespace System::IO {

struct PackageEntry;

class EntryIndex {
 public:
  // The bytes the index of `count` entries takes.
  static std::size_t BytesFor(std::int32_t count);

  EntryIndex() = default;
  // Indexes `count` entries at `entries`, the first of equal names winning. Throws
  // std::bad_alloc when there is no memory for it.
  EntryIndex(const PackageEntry* entries, std::int32_t count);

  // The number of the first entry named `name`, or -1.
  std::int32_t Find(std::string_view name) const;

 private:
  static std::size_t SlotsFor(std::int32_t count);

  const PackageEntry* entries_ = nullptr;
  std::size_t mask_ = 0;
  std::unique_ptr<std::int32_t[]> slots_;  // entry numbers; -1 for an empty slot
};

}  // namespace System::IO
