#include "error_text.h"

namespace devicectl {

std::string DescribeError(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
      return "not found";
    case ERROR_PATH_NOT_FOUND:
      return "folder not found";
    case ERROR_ACCESS_DENIED:
      return "access denied";
    case ERROR_INVALID_NAME:
      return "invalid name";
    case ERROR_FILENAME_EXCED_RANGE:
      return "path too long";
    case ERROR_NOT_SUPPORTED:
      return "not supported by the host file system";
    case ERROR_DISK_FULL:
      return "the device is full";
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS:
      return "already exists";
    case ERROR_SHARING_VIOLATION:
      return "in use";
    default:
      return "error " + std::to_string(error);
  }
}

}  // namespace devicectl
