// Critical sections: a recursive mutex built in the section's own storage, so that a
// section needs no memory of the heap.
#include <mutex>
#include <new>

#include "platform/ce.h"

namespace {

static_assert(sizeof(std::recursive_mutex) <= sizeof(CRITICAL_SECTION::storage));
static_assert(alignof(std::recursive_mutex) <= alignof(CRITICAL_SECTION));

std::recursive_mutex& Lock(CRITICAL_SECTION* section) {
  return *std::launder(reinterpret_cast<std::recursive_mutex*>(section->storage));
}

}  // namespace

void InitializeCriticalSection(CRITICAL_SECTION* section) {
  new (section->storage) std::recursive_mutex();
}
void DeleteCriticalSection(CRITICAL_SECTION* section) { Lock(section).~recursive_mutex(); }
void EnterCriticalSection(CRITICAL_SECTION* section) { Lock(section).lock(); }
void LeaveCriticalSection(CRITICAL_SECTION* section) { Lock(section).unlock(); }
