#include "dos_attributes.h"

#include <fcntl.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "native_error.h"

namespace emu {
namespace {
constexpr char kAttributeName[] = "user.DOSATTRIB";
}

DWORD ParseDosAttrib(std::string_view text) {
  if (text.size() < 3 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X')) return 0;
  DWORD word = 0;
  for (std::size_t i = 2; i < text.size() && i < 10; ++i) {
    const char c = text[i];
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      break;
    }
    word = (word << 4) | static_cast<DWORD>(digit);
  }
  return word;
}

namespace {

DWORD StoredBits(const char* text, ssize_t size) {
  if (size <= 0) return 0;
  return ParseDosAttrib(std::string_view(text, static_cast<std::size_t>(size))) & kStoredAttributes;
}

}  // namespace

DWORD ReadStoredAttributes(int fd) {
  char buffer[64];
  return StoredBits(buffer, ::fgetxattr(fd, kAttributeName, buffer, sizeof buffer));
}

DWORD ReadStoredAttributesAt(int folder, const std::string& name) {
  static const bool procFds = ::access("/proc/self/fd", X_OK) == 0;
  char buffer[64];
  if (procFds) {
    // The folder is reached through its descriptor; the entry itself is not followed.
    const std::string path = "/proc/self/fd/" + std::to_string(folder) + "/" + name;
    return StoredBits(buffer, ::lgetxattr(path.c_str(), kAttributeName, buffer, sizeof buffer));
  }
  const int fd = ::openat(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return 0;
  const DWORD bits = ReadStoredAttributes(fd);
  ::close(fd);
  return bits;
}

Status WriteStoredAttributes(int fd, DWORD attributes) {
  attributes &= kStoredAttributes;
  if (attributes == 0) {
    if (::fremovexattr(fd, kAttributeName) == 0 || errno == ENODATA) return Status::Ok();
    return ErrnoStatus("remove user.DOSATTRIB");
  }
  char text[16];
  const int length = std::snprintf(text, sizeof text, "0x%x", static_cast<unsigned>(attributes));
  if (::fsetxattr(fd, kAttributeName, text, static_cast<std::size_t>(length), 0) != 0) {
    return ErrnoStatus("set user.DOSATTRIB");
  }
  return Status::Ok();
}

DWORD AttributeWord(DWORD stored, bool isFolder, std::u16string_view name) {
  DWORD word = stored & kStoredAttributes;
  if (!name.empty() && name.front() == u'.') word |= FILE_ATTRIBUTE_HIDDEN;
  if (isFolder) word |= FILE_ATTRIBUTE_DIRECTORY;
  return word == 0 ? FILE_ATTRIBUTE_NORMAL : word;
}

}  // namespace emu
