// ResourcePackage: an opened package file, a flat archive of named entries.
//
// Layout (all integers 32-bit little-endian): a header of two words, the second being
// the entry count; then per entry a record - nameLength, the name (every byte
// scrambled), size, the scrambled flag - followed at once by its data. Entry names, and
// the data of entries flagged scrambled, are encoded with a byte substitution derived
// from the file name under which the package is opened (BuildSubstitutionTable).
//
// Untrusted input: a package that cannot be opened, or whose header or records do not
// make sense (a negative entry count, more records than the file could hold, a name
// length outside 0..67, a negative size, a record or data reaching past the end of the
// file) behaves as a package without entries. So does one whose entry table would take
// more than kMaxEntryTableBytes of memory. Nothing is read out of bounds, and the
// allocations made while opening stay within that bound.
//
// The package owns its open file until it is destroyed; entries point into the package
// and live as long as it does. Single-threaded: all entries share one stream.
#pragma once

#include <cstdint>
#include <span>

#include "package/entry_index.h"
#include "platform/ce.h"
#include "system/ansi_string.h"

namespace System::IO {

constexpr std::int32_t kMaxEntryNameLength = 67;

// The memory an entry table may take: room for the 100,000 entries of a large product
// and half as many again (about 105 bytes an entry), a sixth of what the handheld gives
// a process.
constexpr std::size_t kMaxEntryTableBytes = std::size_t{16} * 1024 * 1024;

// One decoded entry record.
struct PackageEntry {
  // The decoded name and a zero byte; a decoded zero inside ends the name for lookups.
  char name[kMaxEntryNameLength + 1];
  std::int32_t scrambled;
  std::int32_t size;
  // The position of the entry's first data byte.
  ce::fpos_t dataPosition;
  // The package's stream, borrowed.
  ce::FILE* stream;
};

// The key of the file name of `path`: the sum of the name's UTF-16 units modulo 256.
// Names with the same key scramble alike.
unsigned SubstitutionKey(const char* path);

// Fills `table` (256 bytes) with the decoding table of `key` (0-255): the even byte
// values, then the odd ones, from the position `key`, wrapping. A stored byte s decodes
// to table[s].
void BuildSubstitutionTable(unsigned key, unsigned char* table);

// The decoding table for the file name of `path`: that of its SubstitutionKey.
void BuildSubstitutionTable(const char* path, unsigned char* table);

class ResourcePackage {
 public:
  // Opens the package at the narrow CE path and reads its entry table. Reports nothing.
  explicit ResourcePackage(const char* path);
  // The memory the entry table of `count` entries takes: the records and their index.
  static std::size_t TableBytes(std::int32_t count);
  ResourcePackage(const ResourcePackage&) = delete;
  ResourcePackage& operator=(const ResourcePackage&) = delete;
  // Closes the file and releases the entries.
  virtual ~ResourcePackage();

  // The first entry, in file order, whose name equals `name` exactly; null when none.
  PackageEntry* FindEntry(const char* name);
  // The whole data of the entry `name`, decoded when the entry is flagged scrambled;
  // the null string when there is no such entry or it is empty. The length is always
  // the entry's size: bytes the file no longer holds (it shrank after opening) read as
  // zero.
  AnsiString ReadEntry(const char* name);

  // The entries in file order; they live as long as the package.
  std::span<const PackageEntry> Entries() const {
    return {entries, static_cast<std::size_t>(entryCount)};
  }

  // False when the file could not be opened.
  bool isOpen() const { return stream_ != nullptr; }
  // The decoding table of the name the package was opened by (BuildSubstitutionTable).
  const unsigned char* substitutionTable() const { return substitution_; }

 private:
  bool ReadEntryTable();
  void Discard();

  std::int32_t entryCount = 0;
  PackageEntry* entries = nullptr;
  ce::FILE* stream_ = nullptr;
  unsigned char substitution_[256] = {};
  // Name (up to its first zero) to the number of its first entry.
  EntryIndex index_;
};

}  // namespace System::IO
