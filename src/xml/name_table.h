// NameTable: one buffer for the equal short texts of a parsed script.
//
// A script of 100,000 file entries says "File", "name" and "destination" 100,000 times,
// and each destination a hundred times over. Assign gives a string the buffer that an
// equal text got before, as one more share of that block (RetainBlock), so that the
// tree holds each such text once; releasing the string gives its share back. The table
// remembers recent texts in sets of a few slots each, chosen by the text's hash; a new
// text takes the place of the one of its set met longest ago, so that texts met again
// and again stay while one-off texts pass through. It costs the same whatever the
// script holds.
//
// A string given a shared buffer must never be changed in place afterwards; the names,
// values and element names of a parsed tree never are. Texts longer than
// kMaxSharedLength, and every text where blocks cannot be shared (sanitizer builds), get
// buffers of their own. One table is used by one thread, for one parse.
#pragma once

#include <array>
#include <cstdint>

#include "system/ansi_string.h"

namespace System::Xml {

class NameTable {
 public:
  static constexpr std::int32_t kMaxSharedLength = 64;

  // A table that measures (Measure) keeps no buffers: its slots point into the text
  // being measured, which must outlive it.
  explicit NameTable(bool measuring = false) : measuring_(measuring) {}
  NameTable(const NameTable&) = delete;
  NameTable& operator=(const NameTable&) = delete;
  // Gives back the table's own shares.
  ~NameTable();

  // Makes `target` hold the `count` bytes at `bytes` (count >= 0, bytes not null), as
  // AnsiString::Assign does, sharing a buffer with equal texts where it can.
  void Assign(AnsiString& target, const char* bytes, std::int32_t count);
  // The bytes that Assign of the same texts in the same order would allocate for this
  // one: 0 when it would share a buffer. REQUIRES: a measuring table.
  std::int64_t Measure(const char* bytes, std::int32_t count);

 private:
  struct Slot {
    // A block holding `length` bytes and a zero, the table's share of it; when
    // measuring, the text itself.
    const char* data = nullptr;
    std::int32_t length = 0;
  };
  static constexpr std::size_t kSets = 256;
  static constexpr std::size_t kWays = 4;

  // The slot of an equal text, made the set's most recent, or the slot that such a text
  // would take: the set's least recent, moved to the front and to be filled.
  Slot& SlotFor(const char* bytes, std::int32_t count, bool* found);

  const bool measuring_;
  // Each set's slots, the most recently met first.
  std::array<Slot, kSets * kWays> slots_{};
};

}  // namespace System::Xml
