// DecodeText: element text as the install script writes it, with its entity references
// resolved.
#pragma once

#include <cstdint>

#include "system/ansi_string.h"

namespace System::Xml {

// Makes `text` the `count` bytes at `bytes` with these references resolved:
//   &lt; &gt; &amp; &apos; &quot;  the characters they name
//   &nbsp;                         a space
//   &copy;                         the three bytes "(c)"
//   &ndash;                        "-"
//   &#N;                           one byte, the low 8 bits of the decimal number N, read
//                                  like atoi (leading whitespace and a sign allowed,
//                                  saturating at the int range); a number that is zero,
//                                  negative or missing, or whose low 8 bits are zero
//                                  (a zero byte would end the text), gives no byte.
//                                  Everything up to
//                                  the next ";" goes, or the rest when there is none.
// Names are case-sensitive; any other "&" stays as written, and so does a reference
// without its ";". Never reads outside the range; the result is never longer than it.
// `text` reuses its buffer when it is large enough; a count of 0 or less changes nothing.
// REQUIRES: `bytes` does not point into `text`.
void DecodeText(const char* bytes, std::int32_t count, AnsiString& text);

}  // namespace System::Xml
