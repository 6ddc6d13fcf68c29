// AnsiString: an 8-bit text value in the device code page that owns its buffer.
//
// Three public fields: `data` (the buffer, or null), `length` (bytes in use) and
// `capacity` (bytes the buffer holds besides its terminating zero; 0 when there is no
// buffer, and also for the one-byte buffer of an empty string). The *null string* (no
// buffer) and the *empty string* are different values. After every operation except
// Resize the byte at `length` is zero.
//
// Buffers come from the block heap (memory/block_heap.h), which frees each by its size
// (`capacity` + 1), and are sized exactly, with no slack. Strings are moved, never
// copied implicitly: to copy one, Assign its data and length. Not thread-safe.
#pragma once

#include <cstdint>

#include "platform/ce.h"

class AnsiString {
 public:
  char* data = nullptr;
  std::int32_t length = 0;
  std::int32_t capacity = 0;

  // The null string.
  AnsiString() = default;
  // AssignCString: a null text gives the empty string (unlike String).
  explicit AnsiString(const char* text);
  AnsiString(AnsiString&& other) noexcept;
  AnsiString& operator=(AnsiString&& other) noexcept;
  AnsiString(const AnsiString&) = delete;
  AnsiString& operator=(const AnsiString&) = delete;
  ~AnsiString();

  // Frees the buffer; the string becomes the null string.
  void Release();
  // Makes room for n bytes (n >= 0) and sets `length` to n. A larger n replaces the
  // buffer by one of exactly n + 1 bytes (zero at n, the rest undefined); otherwise the
  // bytes stay and nothing is written at n: the caller fills the bytes and the zero.
  void Resize(std::int32_t n);
  // Becomes a copy of `count` bytes at `source` (which may lie inside this string's own
  // buffer). count <= 0 with a null source changes nothing; with a non-null source the
  // string becomes empty, keeping its buffer or getting a one-byte one.
  void Assign(const char* source, std::int32_t count);
  // A null text makes the string empty; otherwise Assign of the text and its strlen.
  AnsiString& AssignCString(const char* text);
  // Converts `count` wide characters to the device code page, "?" for a character it
  // lacks. Never writes past its buffer: the buffer is sized to what the conversion
  // needs, and `length` is the number of bytes it produced (`count` for Windows-1252).
  void AssignFromWide(const WCHAR* chars, std::int32_t count);

  // Null-aware and case-sensitive: the null string equals only a null text.
  bool Equals(const char* text) const;
};

// True when the first `count` bytes of `text` equal those of `pattern`. A null `text`
// matches only a null `pattern`; count <= 0 matches. REQUIRES: `text` readable up to the
// first difference.
bool MatchPrefix(const char* text, const char* pattern, std::int32_t count);
