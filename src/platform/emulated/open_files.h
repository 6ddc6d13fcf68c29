// The files that this process has open through the C run-time calls, for CE's sharing
// rule: while a process has a file open, it cannot open that file again for writing,
// delete it or replace it, whatever spelling of its path it uses. Files are known by
// their host identity (device and inode), so every spelling and every hard link of a
// file counts as the same file. Other processes are not held back (docs/device.md).
//
// A descriptor that was closed without Closed (zlib's gzclose) is noticed when a check
// finds it no longer refers to its file. Safe from several threads.
#pragma once

#include <sys/stat.h>

#include <cstdint>

namespace emu::open_files {

// The open descriptor `fd` now holds its file open for this process.
void Opened(int fd);
// Likewise, for a descriptor that is always closed through Closed: its identity is taken
// only when a check needs it.
void OpenedUntilClosed(int fd);
// `fd` is about to be closed.
void Closed(int fd);
// True when this process holds the file described by `info` open.
bool IsOpen(const struct stat& info);
// False when no file that this process holds open has the inode number `inode`, on any
// device: then no file of that number is open, and IsOpen need not be asked.
bool MayBeOpen(ino_t inode);

// A point in the order of Opened calls (never 0). A file created after Mark() returned
// `mark` can only be held by descriptors opened since: when NoneOpenSince(mark), it is
// not open.
std::uint64_t Mark();
bool NoneOpenSince(std::uint64_t mark);

}  // namespace emu::open_files
