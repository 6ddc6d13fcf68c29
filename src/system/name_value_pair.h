// NameValuePair: one attribute of an XML element, a name and a value.
//
// Created on the free store by the attribute list's AddNew and destroyed by that list;
// nothing else creates or frees pairs.
#pragma once

#include <cstdint>

#include "memory/block_heap.h"
#include "system/ansi_string.h"

struct NameValuePair {
  AnsiString name;
  // The null string until a quoted value is assigned.
  AnsiString value;

  // `name` takes the `count` bytes at `bytes`; `value` stays the null string.
  NameValuePair(const char* bytes, std::int32_t count) { name.Assign(bytes, count); }
  // Releases `value`, then `name`.
  ~NameValuePair() {
    value.Release();
    name.Release();
  }
  NameValuePair(const NameValuePair&) = delete;
  NameValuePair& operator=(const NameValuePair&) = delete;

  // Pairs come from the block heap: a script's attributes are made and die together.
  static void* operator new(std::size_t size) { return System::AllocateBlock(size); }
  static void operator delete(void* block, std::size_t size) { System::FreeBlock(block, size); }
};
