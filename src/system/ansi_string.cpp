#include "system/ansi_string.h"

#include <cstring>
#include <utility>

#include "memory/block_heap.h"

namespace {

// A buffer of `capacity` bytes and the terminating zero.
char* NewBuffer(std::int32_t capacity) {
  return static_cast<char*>(System::AllocateBlock(static_cast<std::size_t>(capacity) + 1));
}

void FreeBuffer(char* data, std::int32_t capacity) {
  if (data != nullptr) System::FreeBlock(data, static_cast<std::size_t>(capacity) + 1);
}

}  // namespace

AnsiString::AnsiString(const char* text) { AssignCString(text); }

AnsiString::AnsiString(AnsiString&& other) noexcept
    : data(std::exchange(other.data, nullptr)),
      length(std::exchange(other.length, 0)),
      capacity(std::exchange(other.capacity, 0)) {}

AnsiString& AnsiString::operator=(AnsiString&& other) noexcept {
  if (this != &other) {
    Release();
    data = std::exchange(other.data, nullptr);
    length = std::exchange(other.length, 0);
    capacity = std::exchange(other.capacity, 0);
  }
  return *this;
}

AnsiString::~AnsiString() { FreeBuffer(data, capacity); }

void AnsiString::Release() {
  FreeBuffer(data, capacity);
  data = nullptr;
  length = 0;
  capacity = 0;
}

void AnsiString::Resize(std::int32_t n) {
  if (n > capacity) {
    Release();
    if (n > 0) {
      data = NewBuffer(n);
      data[n] = 0;
      capacity = n;
    }
  }
  length = n;
}

void AnsiString::Assign(const char* source, std::int32_t count) {
  if (count <= 0) {
    if (source == nullptr) return;
    if (data == nullptr) data = NewBuffer(0);
    data[0] = 0;
    length = 0;
    return;
  }
  if (count > capacity) {
    // The new buffer is filled before the old one goes, so a source inside it stays valid.
    char* const grown = NewBuffer(count);
    std::memcpy(grown, source, static_cast<std::size_t>(count));
    FreeBuffer(data, capacity);
    data = grown;
    capacity = count;
  } else {
    std::memmove(data, source, static_cast<std::size_t>(count));
  }
  length = count;
  data[count] = 0;
}

AnsiString& AnsiString::AssignCString(const char* text) {
  if (text == nullptr) {
    Assign("", 0);
  } else {
    Assign(text, static_cast<std::int32_t>(std::strlen(text)));
  }
  return *this;
}

void AnsiString::AssignFromWide(const WCHAR* chars, std::int32_t count) {
  if (count <= 0) {
    Resize(0);
    if (data != nullptr) data[0] = 0;
    return;
  }
  // A multi-byte code page may need more than one byte a character: ask first.
  const int needed = WideCharToMultiByte(CP_ACP, 0, chars, count, nullptr, 0, "?", nullptr);
  Resize(needed > count ? needed : count);
  const int written = WideCharToMultiByte(CP_ACP, 0, chars, count, data, length, "?", nullptr);
  length = written > 0 ? written : 0;
  if (data != nullptr) data[length] = 0;
}

bool AnsiString::Equals(const char* text) const {
  if (data == nullptr) return text == nullptr;
  if (text == nullptr) return false;
  return std::strcmp(data, text) == 0;
}

bool MatchPrefix(const char* text, const char* pattern, std::int32_t count) {
  if (text == nullptr) return pattern == nullptr;
  if (pattern == nullptr) return false;
  for (std::int32_t i = 0; i < count; ++i) {
    if (text[i] != pattern[i]) return false;
  }
  return true;
}
