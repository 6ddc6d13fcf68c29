// The C run-time's fopen and zlib's gzopen, opening files so that no one else writes to
// them while they are open: CE refuses a second writer, the desktop's defaults do not.
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <zlib.h>

#include <cerrno>
#include <cstring>

#include "platform/win32_adaptations.h"

namespace ce::win32 {

std::FILE* OpenSharedFile(const char* path, const char* mode) {
  // The run-time would stop the program on a null argument.
  if (path == nullptr || mode == nullptr) {
    errno = EINVAL;
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  // _SH_DENYWR, like every open of the C run-time, leaves out deleting and renaming.
  return _fsopen(path, mode, _SH_DENYWR);
}

gzFile OpenSharedGzip(const char* path, const char* mode) {
  if (path == nullptr || mode == nullptr || std::strchr(mode, 'r') == nullptr) {
    return ::gzopen(path, mode);
  }
  const int fd = _sopen(path, _O_RDONLY | _O_BINARY, _SH_DENYWR);
  if (fd < 0) return nullptr;
  const gzFile file = gzdopen(fd, mode);
  if (file == nullptr) _close(fd);
  return file;
}

}  // namespace ce::win32
