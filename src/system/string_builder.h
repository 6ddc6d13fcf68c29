// StringBuilder: the list of strings of the system, a Collection of owned Strings.
//
// Holds command-line arguments, found files and the levels of a folder path. It owns its
// segments: removing, clearing or destroying the list frees them, last first. A segment
// read with ItemAt stays the list's; copy it to keep it longer. Not thread-safe.
#pragma once

#include <cstdint>

#include "system/collection.h"
#include "system/wide_string.h"

namespace System::Text {

class StringBuilder : public Collections::Collection {
 public:
  // Empty, with 4 slots, owning its items.
  StringBuilder();
  ~StringBuilder();

  std::int32_t Count() override;
  // Frees one segment; a null one is ignored.
  void ReleaseItem(void* item) override;

  // Appends a copy of `count` units at `source` and returns its index. With count <= 0
  // the segment is the empty string, or the null string when `source` is null.
  std::int32_t AddString(const WCHAR* source, std::int32_t count);
  // Appends every non-empty run of `text` between `separator`s, in order.
  void Split(const String& text, WCHAR separator);

  // The segment at `index`, or null when out of range.
  String* ItemAt(std::int32_t index) { return static_cast<String*>(Collection::ItemAt(index)); }
};

}  // namespace System::Text
