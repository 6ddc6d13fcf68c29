// String: a wide (UTF-16) text value that owns its buffer.
//
// Three public fields: `data` (the buffer, or null), `length` (units in use, without the
// terminating zero) and `capacity` (units the buffer holds besides that zero; -1 exactly
// when there is no buffer). The *null string* (no buffer) and the *empty string* (a
// buffer holding only the zero) are different values, and Equals tells them apart.
// Whenever `data` is set, the unit at `length` is zero.
//
// Buffers come from new[] and are sized exactly: growth has no slack, nothing ever
// shrinks a buffer, only Release and destruction give it back. Units are opaque: no
// operation folds case, pairs surrogates or consults a locale.
//
// Not thread-safe; a string is used by one thread at a time.
#pragma once

#include <cstdint>

#include "platform/ce.h"

class String {
 public:
  WCHAR* data = nullptr;
  std::int32_t length = 0;
  std::int32_t capacity = -1;

  // The null string.
  String() = default;
  // A null text gives the null string; the empty text the empty string.
  String(const WCHAR* text);  // NOLINT(google-explicit-constructor): texts stand for Strings
  // The copy of a null string is null; of an empty string, empty with its own buffer.
  String(const String& other);
  // Takes the other's buffer; the other becomes the null string.
  String(String&& other) noexcept;
  // Assign with the other's data and length: assigning a null string changes nothing.
  String& operator=(const String& other);
  ~String();

  // Frees the buffer; the string becomes the null string.
  void Release();
  // Makes room for n units (n >= 0), sets `length` to n and writes the zero at n. A
  // larger n replaces the buffer by one of exactly n + 1 units; the contents are lost.
  void Resize(std::int32_t n);
  // Becomes a copy of `count` units at `source`. count <= 0 with a null source changes
  // nothing; with a non-null source it empties the string. `source` may lie inside the
  // string's own buffer.
  void Assign(const WCHAR* source, std::int32_t count);
  // A null text empties the string; otherwise Assign of the text.
  String& AssignCString(const WCHAR* text);
  // Converts `count` bytes of device code page text (one unit per byte); count 0 gives
  // the empty string with a buffer.
  void AssignFromAnsi(const char* bytes, std::int32_t count);

  // Null-aware and case-sensitive: the null string equals only a null text.
  bool Equals(const WCHAR* text) const;
  // True when every unit of `other` stands here from `position` (0..length) on.
  bool MatchesAt(std::int32_t position, const String& other) const;
  // First position at or after `start` where `pattern` occurs; -1 when none or when
  // the pattern is empty.
  std::int32_t IndexOf(const String& pattern, std::int32_t start) const;
  // A null or empty text ends every string, the null string included.
  bool EndsWith(const WCHAR* text) const;

  // Appending anything, even nothing, to the null string gives it a buffer.
  void Append(const WCHAR* text);
  void Append(const String& other);
  void AppendChar(WCHAR unit);
  // This text with every non-overlapping occurrence of `pattern`, found left to right,
  // replaced by `replacement`; inserted text is not scanned again. Requires a non-empty
  // pattern.
  String Replace(const String& pattern, const String& replacement) const;

 private:
  void AppendUnits(const WCHAR* units, std::int32_t count);
};
