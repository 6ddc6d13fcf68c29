// The program's own path, the special folders and shell shortcuts.
#include <unistd.h>

#include <cerrno>
#include <string>

#include "ce_path.h"
#include "code_page.h"
#include "device.h"
#include "native_error.h"
#include "platform/ce.h"
#include "special_folders.h"

namespace emu {

std::u16string_view SpecialFolderPath(int folder) {
  switch (folder) {
    case CSIDL_PROGRAM_FILES:
      return u"\\Program Files";
    case CSIDL_PROGRAMS:
      return u"\\Windows\\Start Menu\\Programs";
    case CSIDL_WINDOWS:
      return u"\\Windows";
    default:
      return {};
  }
}

}  // namespace emu

namespace {

// Copies `text` with its terminator into `buffer` of `size` units, cut short when it
// does not fit (the terminator is always written when size > 0). Returns the units
// written without the terminator, or `size` when cut short.
DWORD CopyOut(std::u16string_view text, LPWSTR buffer, DWORD size) {
  if (size == 0) return 0;
  const std::size_t units = std::min<std::size_t>(text.size(), size - 1);
  text.copy(buffer, units);
  buffer[units] = 0;
  return units < text.size() ? size : static_cast<DWORD>(units);
}

// Creates every missing folder of `path`.
emu::Status CreateFolders(const emu::CePath& path) {
  emu::CePath prefix;
  for (const std::u16string& part : path.parts) {
    prefix.parts.push_back(part);
    emu::Status status = emu::CurrentDevice()->fileSystem().MakeFolder(prefix);
    if (!status.ok() && status.error() != ERROR_ALREADY_EXISTS) return status;
  }
  return emu::Status::Ok();
}

}  // namespace

DWORD GetModuleFileNameW(HMODULE module, LPWSTR fileName, DWORD size) {
  if (module != nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  if (fileName == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const DWORD copied = CopyOut(emu::kModulePath, fileName, size);
  if (size == 0 || copied == size) SetLastError(ERROR_INSUFFICIENT_BUFFER);
  return copied;
}

BOOL SHGetSpecialFolderPath(HWND /*owner*/, LPWSTR path, int folder, BOOL create) {
  const std::u16string_view folderPath = emu::SpecialFolderPath(folder);
  if (path == nullptr || folderPath.empty()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (create) {
    emu::CePath parsed;
    if (!emu::ParseCePath(folderPath, &parsed).Report() || !CreateFolders(parsed).Report()) {
      return FALSE;
    }
  }
  CopyOut(folderPath, path, MAX_PATH);
  return TRUE;
}

BOOL SHCreateShortcut(LPWSTR shortcut, LPWSTR target) {
  if (shortcut == nullptr || target == nullptr || *shortcut == 0 || *target == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  emu::CePath path;
  if (!emu::ParseCePath(shortcut, &path).Report()) return FALSE;
  const std::u16string_view targetText(target);
  const std::string content =
      std::to_string(targetText.size()) + "#" + emu::Utf16ToAnsi(targetText);
  const emu::Jail& fileSystem = emu::CurrentDevice()->fileSystem();
  emu::ScopedFd file;
  if (!fileSystem.OpenFile(path, emu::FileAccess::kWrite, emu::Disposition::kCreateNew, &file)
           .Report()) {
    return FALSE;
  }
  std::size_t done = 0;
  while (done < content.size()) {
    const ssize_t written = ::write(file.get(), content.data() + done, content.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      const emu::Status failure = emu::ErrnoStatus("write shortcut");
      file.Reset();
      static_cast<void>(fileSystem.RemoveFile(path));  // leaves nothing half-written
      failure.Report();
      return FALSE;
    }
    done += static_cast<std::size_t>(written);
  }
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}
