// The mutexes behind CreateMutexW, WaitForSingleObject and ReleaseMutex.
//
// A named mutex is shared by every process of the device: it is an exclusive lock
// (flock) on a file of the device folder's `mutexes/`, so that a process that dies, in
// whatever way, releases it; the file's first byte says whether an owner holds it ('1')
// or released it ('0'), so the next owner learns that the last one was abandoned. A
// second file, held with shared locks by every process with an open handle, tells
// whether the mutex exists. Within a process, threads wait for each other on a
// condition variable; ownership is the thread's, recursive, and a thread that ends
// owning a mutex abandons it, as on CE.
#pragma once

#include "platform/ce.h"

namespace emu {

// CloseHandle for mutex handles: false when `handle` is no mutex handle.
bool CloseMutexHandle(HANDLE handle);

}  // namespace emu
