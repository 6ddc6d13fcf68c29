#include "xml/name_value_collection.h"

namespace System::Collections {

CStringNameValueCollection::CStringNameValueCollection() : Collection(0), flag(1) { ownsItems = 1; }

CStringNameValueCollection::~CStringNameValueCollection() { ClearForDestruction(); }

std::int32_t CStringNameValueCollection::Count() { return Collection::Count(); }

void CStringNameValueCollection::ReleaseItem(void* item) {
  delete static_cast<NameValuePair*>(item);
}

NameValuePair* CStringNameValueCollection::AddNew(const char* bytes, std::int32_t count) {
  auto* pair = new NameValuePair(bytes, count);
  // A failed Add has already released the pair.
  return Add(pair) < 0 ? nullptr : pair;
}

}  // namespace System::Collections
