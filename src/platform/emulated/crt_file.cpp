// The C run-time's buffered files on CE paths: the narrow path goes through the device
// code page, the file is opened through the jail, and a host stream does the rest. The
// stream keeps its own file position and reads and writes with pread and pwrite, so that
// positioning it costs no system call.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "ce_path.h"
#include "code_page.h"
#include "device.h"
#include "native_error.h"
#include "open_files.h"
#include "platform/ce.h"
#include "write_limit.h"

namespace {

struct OpenMode {
  emu::FileAccess access;
  emu::Disposition disposition;
  const char* streamMode;
};

// "rb", "r+b", "wb", "w+b" and their spellings without `b` or with `+` last.
bool ParseMode(std::string_view mode, OpenMode* parsed) {
  std::string letters;
  for (const char c : mode) {
    if (c != 'b' && c != 't') letters.push_back(c);
  }
  if (letters == "r") {
    *parsed = {emu::FileAccess::kRead, emu::Disposition::kOpenExisting, "rb"};
  } else if (letters == "r+") {
    *parsed = {emu::FileAccess::kReadWrite, emu::Disposition::kOpenExisting, "r+b"};
  } else if (letters == "w") {
    *parsed = {emu::FileAccess::kWrite, emu::Disposition::kCreateAlways, "wb"};
  } else if (letters == "w+") {
    *parsed = {emu::FileAccess::kReadWrite, emu::Disposition::kCreateAlways, "w+b"};
  } else {
    return false;
  }
  return true;
}

// Opens the CE path in narrow text; errors go to SetLastError and errno.
emu::Status OpenNarrow(const char* path, emu::FileAccess access, emu::Disposition disposition,
                       emu::ScopedFd* fd) {
  if (path == nullptr) return emu::Status::Error(ERROR_INVALID_PARAMETER, "null path");
  // Kept per thread, so that the next call reuses their storage.
  thread_local std::u16string wide;
  thread_local emu::CePath parsed;
  wide.resize(std::strlen(path));
  for (std::size_t i = 0; i < wide.size(); ++i) {
    wide[i] = emu::Windows1252ToUnicode(static_cast<unsigned char>(path[i]));
  }
  if (emu::Status status = emu::ParseCePath(wide, &parsed); !status.ok()) return status;
  return emu::CurrentDevice()->fileSystem().OpenFile(parsed, access, disposition, fd);
}

// The file under a stream, and the stream's buffer. Reads go through a read-ahead block
// of their own: the host stream refills its buffer after every seek, and the package is
// read entry by entry; a small stream buffer keeps those refills short. A read of a
// block's size or more goes straight to the caller. Writes of a few kilobytes and more
// gather in a write-behind block, so that a large file is written in large pieces; a
// small file's one write goes out as it is.
struct StreamFile {
  static constexpr std::size_t kReadAhead = std::size_t{64} * 1024;
  static constexpr std::size_t kWriteBehind = std::size_t{256} * 1024;
  static constexpr std::size_t kSmallWrite = std::size_t{4} * 1024;
  static constexpr std::size_t kBuffer = 1024;

  explicit StreamFile(int descriptor) : fd(descriptor) {}

  int fd;
  off64_t position = 0;  // of the stream, pending writes included
  std::unique_ptr<char[]> ahead;
  off64_t aheadAt = 0;
  std::size_t aheadSize = 0;  // 0: nothing read ahead
  std::unique_ptr<char[]> behind;
  std::size_t behindSize = 0;  // bytes waiting, to go at position - behindSize
  char buffer[kBuffer];
};

// The file of the stream that was closed last on this thread: the host stream no longer
// uses its buffer once fclose returns.
thread_local std::unique_ptr<StreamFile> closedFile;

// Writes `size` bytes at `offset`; the count written (short on an error, errno set).
std::size_t WriteAt(int fd, const char* bytes, std::size_t size, off64_t offset) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t written = ::pwrite(fd, bytes + done, size - done, offset + done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) break;
    done += static_cast<std::size_t>(written);
  }
  return done;
}

// Writes out what waits behind; false on an error (errno set), what was not written lost.
bool Flush(StreamFile& file) {
  if (file.behindSize == 0) return true;
  const std::size_t size = file.behindSize;
  file.behindSize = 0;
  return WriteAt(file.fd, file.behind.get(), size, file.position - static_cast<off64_t>(size)) ==
         size;
}

ssize_t ReadStream(void* cookie, char* buffer, std::size_t size) {
  auto* file = static_cast<StreamFile*>(cookie);
  if (!Flush(*file)) return -1;
  std::size_t done = 0;
  while (done < size) {
    const off64_t offset = file->position - file->aheadAt;
    if (file->aheadSize > 0 && offset >= 0 && static_cast<std::size_t>(offset) < file->aheadSize) {
      const std::size_t count =
          std::min(size - done, file->aheadSize - static_cast<std::size_t>(offset));
      std::memcpy(buffer + done, file->ahead.get() + offset, count);
      done += count;
      file->position += static_cast<off64_t>(count);
      continue;
    }
    if (size - done >= StreamFile::kReadAhead) {
      // As large as a read-ahead block: no copy through it.
      ssize_t read;
      do {
        read = ::pread(file->fd, buffer + done, size - done, file->position);
      } while (read < 0 && errno == EINTR);
      if (read <= 0) {
        if (read < 0 && done == 0) return -1;
        break;
      }
      done += static_cast<std::size_t>(read);
      file->position += read;
      continue;
    }
    if (!file->ahead) file->ahead = std::make_unique<char[]>(StreamFile::kReadAhead);
    ssize_t read;
    do {
      read = ::pread(file->fd, file->ahead.get(), StreamFile::kReadAhead, file->position);
    } while (read < 0 && errno == EINTR);
    if (read <= 0) {
      file->aheadSize = 0;
      if (read < 0 && done == 0) return -1;
      break;
    }
    file->aheadAt = file->position;
    file->aheadSize = static_cast<std::size_t>(read);
  }
  return static_cast<ssize_t>(done);
}

ssize_t WriteStream(void* cookie, const char* buffer, std::size_t size) {
  auto* file = static_cast<StreamFile*>(cookie);
  file->aheadSize = 0;
  if (file->behindSize + size > StreamFile::kWriteBehind && !Flush(*file)) return 0;
  if (file->behindSize == 0 &&
      (size < StreamFile::kSmallWrite || size >= StreamFile::kWriteBehind)) {
    const std::size_t done = WriteAt(file->fd, buffer, size, file->position);
    file->position += static_cast<off64_t>(done);
    // A short count is an error to the stream; errno tells which.
    return static_cast<ssize_t>(done);
  }
  if (!file->behind) file->behind = std::make_unique<char[]>(StreamFile::kWriteBehind);
  std::memcpy(file->behind.get() + file->behindSize, buffer, size);
  file->behindSize += size;
  file->position += static_cast<off64_t>(size);
  return static_cast<ssize_t>(size);
}

int SeekStream(void* cookie, off64_t* offset, int origin) {
  auto* file = static_cast<StreamFile*>(cookie);
  if (!Flush(*file)) return -1;
  off64_t base = 0;
  if (origin == SEEK_CUR) {
    base = file->position;
  } else if (origin == SEEK_END) {
    struct stat info;
    if (::fstat(file->fd, &info) != 0) return -1;
    base = info.st_size;
  } else if (origin != SEEK_SET) {
    errno = EINVAL;
    return -1;
  }
  if (*offset < 0 && base < -*offset) {
    errno = EINVAL;
    return -1;
  }
  file->position = base + *offset;
  *offset = file->position;
  return 0;
}

int CloseStream(void* cookie) {
  auto* file = static_cast<StreamFile*>(cookie);
  // What waits behind reaches the file before it is closed; a failure there is the
  // close's failure.
  const bool flushed = Flush(*file);
  const int error = errno;
  emu::open_files::Closed(file->fd);
  const int result = ::close(file->fd);
  closedFile.reset(file);
  if (!flushed) {
    errno = error;
    return -1;
  }
  return result;
}

int ErrnoFor(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
      return EACCES;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_DISK_FULL:
      return ENOSPC;
    default:
      return EINVAL;
  }
}

void ReportErrno() { SetLastError(emu::ErrorFromErrno(errno)); }

}  // namespace

namespace ce {

FILE* fopen(const char* path, const char* mode) {
  OpenMode parsed;
  if (mode == nullptr || !ParseMode(mode, &parsed)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    errno = EINVAL;
    return nullptr;
  }
  emu::ScopedFd fd;
  if (emu::Status status = OpenNarrow(path, parsed.access, parsed.disposition, &fd); !status.ok()) {
    status.Report();
    errno = ErrnoFor(status.error());
    return nullptr;
  }
  auto* file = new StreamFile(fd.get());
  FILE* stream =
      ::fopencookie(file, parsed.streamMode, {ReadStream, WriteStream, SeekStream, CloseStream});
  if (stream == nullptr) {
    delete file;
    ReportErrno();
    return nullptr;
  }
  std::setvbuf(stream, file->buffer, _IOFBF, sizeof file->buffer);
  emu::open_files::OpenedUntilClosed(fd.Release());
  return stream;
}

std::size_t fread(void* buffer, std::size_t size, std::size_t count, FILE* stream) {
  if (stream == nullptr || (buffer == nullptr && size * count != 0)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const std::size_t read = std::fread(buffer, size, count, stream);
  if (read < count && std::ferror(stream)) SetLastError(ERROR_READ_FAULT);
  return read;
}

std::size_t fwrite(const void* buffer, std::size_t size, std::size_t count, FILE* stream) {
  if (stream == nullptr || (buffer == nullptr && size * count != 0)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  emu::WriteBudget budget;
  const std::size_t allowed = budget.AllowedItems(size, count);
  const std::size_t written = allowed == 0 ? 0 : std::fwrite(buffer, size, allowed, stream);
  budget.CountWritten(written * size);
  if (written < allowed) {
    ReportErrno();
  } else if (allowed < count) {
    SetLastError(ERROR_DISK_FULL);
    errno = ENOSPC;
  }
  return written;
}

int fseek(FILE* stream, long offset, int origin) {
  if (stream == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return -1;
  }
  const int result = std::fseek(stream, offset, origin);
  if (result != 0) ReportErrno();
  return result;
}

long ftell(FILE* stream) {
  if (stream == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return -1;
  }
  const long result = std::ftell(stream);
  if (result < 0) ReportErrno();
  return result;
}

int fgetpos(FILE* stream, fpos_t* position) {
  if (stream == nullptr || position == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return -1;
  }
  const off_t offset = ::ftello(stream);
  if (offset < 0) {
    ReportErrno();
    return -1;
  }
  *position = offset;
  return 0;
}

int fsetpos(FILE* stream, const fpos_t* position) {
  if (stream == nullptr || position == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return -1;
  }
  const int result = ::fseeko(stream, static_cast<off_t>(*position), SEEK_SET);
  if (result != 0) ReportErrno();
  return result;
}

int fclose(FILE* stream) {
  if (stream == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return EOF;
  }
  const int result = std::fclose(stream);  // the stream's CloseStream unregisters the file
  closedFile.reset();
  if (result != 0) ReportErrno();
  return result;
}

// <zlib.h> renames gzopen to gzopen64 where file positions are 64 bits on a 32-bit host;
// ce::gzopen keeps its name here, and ce::gzopen64 below serves the files that see the
// renamed call.
#undef gzopen

gzFile gzopen(const char* path, const char* mode) {
  if (mode == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const std::string_view text(mode);
  emu::FileAccess access = emu::FileAccess::kWrite;
  emu::Disposition disposition = emu::Disposition::kCreateAlways;
  if (text.find('r') != std::string_view::npos) {
    access = emu::FileAccess::kRead;
    disposition = emu::Disposition::kOpenExisting;
  } else if (text.find('a') != std::string_view::npos) {
    disposition = emu::Disposition::kOpenAlways;
  } else if (text.find('w') == std::string_view::npos) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  emu::ScopedFd fd;
  if (!OpenNarrow(path, access, disposition, &fd).Report()) return nullptr;
  gzFile file = ::gzdopen(fd.get(), mode);
  if (file == nullptr) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  // gzclose closes it, unseen: open_files notices that by itself.
  emu::open_files::Opened(fd.Release());
  return file;
}

#if defined(_FILE_OFFSET_BITS) && _FILE_OFFSET_BITS == 64
gzFile gzopen64(const char* path, const char* mode) { return gzopen(path, mode); }
#endif

}  // namespace ce
