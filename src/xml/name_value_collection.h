// CStringNameValueCollection: the attributes of one XML element, in document order.
//
// A Collection of NameValuePairs that it owns: removing, clearing or destroying the list
// destroys its pairs, last first. Pointers returned by AddNew and ItemAt, and the
// buffers of the pairs' names and values, stay valid until the pair is removed or the
// list destroyed. Built without a lock; used by one thread at a time.
#pragma once

#include <cstdint>

#include "system/collection.h"
#include "system/name_value_pair.h"

namespace System::Collections {

class CStringNameValueCollection : public Collection {
 public:
  // Set to 1 at construction; nothing reads it.
  std::int32_t flag;

  // Empty, with 4 slots, owning its items.
  CStringNameValueCollection();
  ~CStringNameValueCollection();

  std::int32_t Count() override;
  // Destroys one pair (value, then name) and frees it; a null item is ignored.
  void ReleaseItem(void* item) override;

  // Appends a pair named by the `count` bytes at `bytes`, with the null string as its
  // value, and returns it; null when the list cannot grow.
  NameValuePair* AddNew(const char* bytes, std::int32_t count);
  // The pair at `index`, or null when out of range.
  NameValuePair* ItemAt(std::int32_t index) {
    return static_cast<NameValuePair*>(Collection::ItemAt(index));
  }
};

}  // namespace System::Collections
