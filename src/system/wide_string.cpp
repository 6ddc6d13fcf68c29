#include "system/wide_string.h"

#include <cstring>

String::String(const WCHAR* text) {
  if (text != nullptr) Assign(text, static_cast<std::int32_t>(ce::wcslen(text)));
}

String::String(const String& other) { Assign(other.data, other.length); }

String::String(String&& other) noexcept
    : data(other.data), length(other.length), capacity(other.capacity) {
  other.data = nullptr;
  other.length = 0;
  other.capacity = -1;
}

String& String::operator=(const String& other) {
  if (this != &other) Assign(other.data, other.length);
  return *this;
}

String::~String() { delete[] data; }

void String::Release() {
  delete[] data;
  data = nullptr;
  length = 0;
  capacity = -1;
}

void String::Resize(std::int32_t n) {
  if (n > capacity) {
    Release();
    data = new WCHAR[static_cast<std::size_t>(n) + 1];
    capacity = n;
  }
  length = n;
  data[n] = 0;
}

void String::Assign(const WCHAR* source, std::int32_t count) {
  if (count <= 0) {
    if (source != nullptr) Resize(0);
    return;
  }
  if (count > capacity) {
    // The new buffer is filled before the old one goes, so a source inside it stays valid.
    auto* grown = new WCHAR[static_cast<std::size_t>(count) + 1];
    std::memcpy(grown, source, static_cast<std::size_t>(count) * sizeof(WCHAR));
    delete[] data;
    data = grown;
    capacity = count;
  } else {
    std::memmove(data, source, static_cast<std::size_t>(count) * sizeof(WCHAR));
  }
  length = count;
  data[count] = 0;
}

String& String::AssignCString(const WCHAR* text) {
  if (text == nullptr) {
    Resize(0);
  } else {
    Assign(text, static_cast<std::int32_t>(ce::wcslen(text)));
  }
  return *this;
}

void String::AssignFromAnsi(const char* bytes, std::int32_t count) {
  Resize(count);
  if (count <= 0) return;
  const int written = MultiByteToWideChar(CP_ACP, 0, bytes, count, data, count);
  // One unit per byte is expected; never leave units the conversion did not write.
  if (written >= 0 && written < count) length = written;
  data[length] = 0;
}

bool String::Equals(const WCHAR* text) const {
  if (data == nullptr) return text == nullptr;
  if (text == nullptr) return false;
  return ce::wcscmp(data, text) == 0;
}

bool String::MatchesAt(std::int32_t position, const String& other) const {
  std::int32_t i = 0;
  while (position + i < length && i < other.length) {
    if (other.data[i] != data[position + i]) return false;
    ++i;
  }
  return i == other.length;
}

std::int32_t String::IndexOf(const String& pattern, std::int32_t start) const {
  if (pattern.length <= 0) return -1;
  for (std::int32_t p = start; p < length; ++p) {
    if (data[p] == pattern.data[0] && MatchesAt(p, pattern)) return p;
  }
  return -1;
}

bool String::EndsWith(const WCHAR* text) const {
  const String suffix(text);
  if (length < suffix.length) return false;
  return MatchesAt(length - suffix.length, suffix);
}

void String::AppendUnits(const WCHAR* units, std::int32_t count) {
  String joined;
  joined.Resize(length + count);
  if (length > 0) std::memcpy(joined.data, data, static_cast<std::size_t>(length) * sizeof(WCHAR));
  if (count > 0) {
    std::memcpy(joined.data + length, units, static_cast<std::size_t>(count) * sizeof(WCHAR));
  }
  // joined always has a buffer, so appending nothing still gives the null string one.
  Assign(joined.data, joined.length);
}

void String::Append(const WCHAR* text) {
  AppendUnits(text, text == nullptr ? 0 : static_cast<std::int32_t>(ce::wcslen(text)));
}

void String::Append(const String& other) { AppendUnits(other.data, other.length); }

void String::AppendChar(WCHAR unit) { AppendUnits(&unit, 1); }

String String::Replace(const String& pattern, const String& replacement) const {
  const auto matchesAt = [&](std::int32_t p) {
    return pattern.length > 0 && data[p] == pattern.data[0] && MatchesAt(p, pattern);
  };
  std::int32_t occurrences = 0;
  for (std::int32_t p = 0; p < length;) {
    if (matchesAt(p)) {
      ++occurrences;
      p += pattern.length;
    } else {
      ++p;
    }
  }
  String result;
  result.Resize(length + (replacement.length - pattern.length) * occurrences);
  std::int32_t out = 0;
  for (std::int32_t p = 0; p < length;) {
    if (matchesAt(p)) {
      for (std::int32_t i = 0; i < replacement.length; ++i)
        result.data[out++] = replacement.data[i];
      p += pattern.length;
    } else {
      result.data[out++] = data[p++];
    }
  }
  result.data[out] = 0;
  return result;
}
