// TreeSize: what the tree of a script will hold, counted before it is built
// (XmlParser::Measure), and the memory that takes.
//
// A handheld gives a process a few dozen megabytes; a script of a few megabytes can
// describe a tree a hundred times its size. Counting first lets the caller decline a
// script whose tree would not fit without building any of it.
#pragma once

#include <cstdint>

namespace System::Xml {

struct TreeSize {
  std::int64_t elements = 0;
  std::int64_t attributes = 0;
  // Bytes of the buffers that the names, values and texts get, the ones that share a
  // buffer with an equal text (NameTable) not counted.
  std::int64_t stringBytes = 0;

  // The memory the tree takes: its elements and pairs, their places in the item arrays
  // (growth included), and the buffers.
  std::int64_t Bytes() const;
};

}  // namespace System::Xml
