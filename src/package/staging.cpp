#include "package/staging.h"

#include <string>

#include "platform/ce.h"
#include "system/path.h"

namespace {

constexpr WCHAR kPrefix[] = TEXT("~upd");
constexpr WCHAR kSuffix[] = TEXT(".tmp");
constexpr std::int32_t kPrefixLength = 4;
constexpr std::int32_t kSuffixLength = 4;

WCHAR FoldAscii(WCHAR unit) {
  return unit >= u'A' && unit <= u'Z' ? static_cast<WCHAR>(unit + (u'a' - u'A')) : unit;
}

bool MatchesIgnoringCase(const WCHAR* text, const WCHAR* lowerCase, std::int32_t length) {
  for (std::int32_t i = 0; i < length; ++i) {
    if (FoldAscii(text[i]) != lowerCase[i]) return false;
  }
  return true;
}

}  // namespace

String StagingPath(const String& targetPath, std::int32_t index) {
  const std::string digits = std::to_string(index);
  const String folder = GetDirectoryName(targetPath);
  String path(folder);
  // A target without a backslash stages beside it, likewise without one.
  if (folder.data != nullptr) path.Append(TEXT("\\"));
  const std::int32_t longLength =
      path.length + kPrefixLength + static_cast<std::int32_t>(digits.size()) + kSuffixLength;
  const bool full = longLength < static_cast<std::int32_t>(MAX_PATH);
  path.Append(full ? kPrefix : TEXT("~"));
  for (const char digit : digits) path.AppendChar(static_cast<WCHAR>(digit));
  if (full) path.Append(kSuffix);
  return path;
}

bool IsStagingName(const WCHAR* name) {
  if (name == nullptr || name[0] != u'~') return false;
  const auto length = static_cast<std::int32_t>(ce::wcslen(name));
  const bool full = length > kPrefixLength + kSuffixLength &&
                    MatchesIgnoringCase(name, kPrefix, kPrefixLength) &&
                    MatchesIgnoringCase(name + length - kSuffixLength, kSuffix, kSuffixLength);
  const std::int32_t first = full ? kPrefixLength : 1;
  const std::int32_t end = full ? length - kSuffixLength : length;
  if (end <= first) return false;
  for (std::int32_t i = first; i < end; ++i) {
    if (name[i] < u'0' || name[i] > u'9') return false;
  }
  return true;
}

void RemoveStagingLeftovers(const String& folder) {
  String pattern(folder);
  pattern.Append(TEXT("\\~*"));
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW(pattern.data, &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    // The pattern also matches names that are not staging names (and, on some
    // platforms, short forms of other names): only the exact forms are removed.
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ||
        !IsStagingName(found.cFileName)) {
      continue;
    }
    const String path = CombinePath(folder, String(found.cFileName));
    DeleteFileW(path.data);
  } while (FindNextFileW(search, &found) != 0);
  FindClose(search);
}

StagingTarget InspectTarget(const String& targetPath) {
  if (IsStagingName(GetFileName(targetPath).data)) return StagingTarget::kNotReplaceable;
  const DWORD attributes = GetFileAttributesW(targetPath.data);
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    return GetLastError() == ERROR_FILE_NOT_FOUND ? StagingTarget::kAbsent
                                                  : StagingTarget::kNotReplaceable;
  }
  if ((attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0) {
    return StagingTarget::kNotReplaceable;
  }
  return StagingTarget::kFile;
}

bool PutInPlace(const String& stagingPath, const String& targetPath, bool targetExists) {
  if (targetExists) {
    if (DeleteAndRenameFile(targetPath.data, stagingPath.data)) return true;
    // The target has gone since it was inspected: the file is moved there instead.
    return GetFileAttributesW(targetPath.data) == INVALID_FILE_ATTRIBUTES &&
           MoveFileW(stagingPath.data, targetPath.data);
  }
  if (MoveFileW(stagingPath.data, targetPath.data)) return true;
  // An earlier entry of the pass with the same target has put a file there.
  const DWORD error = GetLastError();
  return (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) &&
         DeleteAndRenameFile(targetPath.data, stagingPath.data);
}
