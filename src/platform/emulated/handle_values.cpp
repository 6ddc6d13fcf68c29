#include "handle_values.h"

#include <atomic>
#include <cstdint>

namespace emu {

HANDLE NewHandleValue() {
  // Multiples of four from 0x20000, as CE's handle values look.
  static std::atomic<std::uintptr_t> next{0x20000};
  return reinterpret_cast<HANDLE>(next.fetch_add(4));
}

}  // namespace emu
