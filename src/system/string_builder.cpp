#include "system/string_builder.h"

namespace System::Text {

StringBuilder::StringBuilder() : Collection(0) { ownsItems = 1; }

StringBuilder::~StringBuilder() { ClearForDestruction(); }

std::int32_t StringBuilder::Count() { return Collection::Count(); }

void StringBuilder::ReleaseItem(void* item) { delete static_cast<String*>(item); }

std::int32_t StringBuilder::AddString(const WCHAR* source, std::int32_t count) {
  auto* segment = new String();
  segment->Assign(source, count);
  return Add(segment);
}

void StringBuilder::Split(const String& text, WCHAR separator) {
  if (text.length <= 0) return;
  std::int32_t start = 0;
  for (std::int32_t i = 0; i <= text.length; ++i) {
    if (i == text.length || text.data[i] == separator) {
      if (i > start) AddString(text.data + start, i - start);
      start = i + 1;
    }
  }
}

}  // namespace System::Text
