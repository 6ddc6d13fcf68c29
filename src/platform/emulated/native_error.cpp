#include "native_error.h"

#include <sqlite3.h>

#include <cerrno>
#include <cstring>

namespace emu {

DWORD ErrorFromErrno(int error) {
  switch (error) {
    case 0:
      return ERROR_SUCCESS;
    case ENOENT:
      return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
      return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR:
    case ELOOP:  // a symbolic link where a file was expected: never followed
    case EROFS:
    case ETXTBSY:
      return ERROR_ACCESS_DENIED;
    case EEXIST:
      return ERROR_ALREADY_EXISTS;
    case ENOTEMPTY:
      return ERROR_DIR_NOT_EMPTY;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return ERROR_DISK_FULL;
    case ENOMEM:
      return ERROR_NOT_ENOUGH_MEMORY;
    case ENAMETOOLONG:
      return ERROR_FILENAME_EXCED_RANGE;
    case EILSEQ:
      return ERROR_INVALID_NAME;
    case EBADF:
      return ERROR_INVALID_HANDLE;
    case EINVAL:
    case ESPIPE:
    case EOVERFLOW:
      return ERROR_INVALID_PARAMETER;
    case ENOTSUP:
      return ERROR_NOT_SUPPORTED;
    case EIO:
      return ERROR_WRITE_FAULT;
    default:
      return ERROR_ACCESS_DENIED;
  }
}

DWORD ErrorFromSqlite(int resultCode) {
  switch (resultCode & 0xFF) {
    case SQLITE_OK:
    case SQLITE_ROW:
    case SQLITE_DONE:
      return ERROR_SUCCESS;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return ERROR_BUSY;
    case SQLITE_NOMEM:
      return ERROR_NOT_ENOUGH_MEMORY;
    case SQLITE_FULL:
      return ERROR_DISK_FULL;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
      return ERROR_ACCESS_DENIED;
    case SQLITE_IOERR:
      return ERROR_WRITE_FAULT;
    case SQLITE_RANGE:
    case SQLITE_MISUSE:
    case SQLITE_TOOBIG:
    case SQLITE_CONSTRAINT:
      return ERROR_INVALID_PARAMETER;
    default:  // SQLITE_CANTOPEN, SQLITE_CORRUPT, SQLITE_NOTADB, SQLITE_SCHEMA, ...
      return ERROR_BADDB;
  }
}

Status ErrnoStatus(const std::string& context) { return ErrnoStatus(context, errno); }

Status ErrnoStatus(const std::string& context, int error) {
  return Status::Error(ErrorFromErrno(error), context + ": " + std::strerror(error));
}

}  // namespace emu
