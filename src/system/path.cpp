#include "system/path.h"

namespace {

// Index of the last backslash, or -1.
std::int32_t LastBackslash(const String& path) {
  for (std::int32_t i = path.length - 1; i >= 0; --i) {
    if (path.data[i] == u'\\') return i;
  }
  return -1;
}

}  // namespace

String CombinePath(const String& directory, const String& name) {
  if (directory.length <= 0) return name;
  if (name.length <= 0) return directory;
  String result(directory);
  if (!result.EndsWith(TEXT("\\"))) result.Append(TEXT("\\"));
  result.Append(name.data[0] == u'\\' ? name.data + 1 : name.data);
  return result;
}

String GetDirectoryName(const String& path) {
  String result;
  if (path.length <= 0) {
    result.Resize(0);
    return result;
  }
  const std::int32_t last = LastBackslash(path);
  if (last >= 0) result.Assign(path.data, last);  // a backslash at 0 gives the empty string
  return result;
}

String GetFileName(const String& path) {
  String result;
  if (path.length <= 0) {
    result.Resize(0);
    return result;
  }
  const std::int32_t last = LastBackslash(path);
  if (last < 0) return path;
  result.Assign(path.data + last + 1, path.length - last - 1);
  return result;
}

bool PathExists(const String& path) {
  WIN32_FIND_DATAW findData;
  const HANDLE search = FindFirstFileW(path.data, &findData);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  return true;
}

String GetModulePath() {
  WCHAR buffer[255] = {};
  GetModuleFileNameW(nullptr, buffer, 255);
  buffer[254] = 0;
  return String(buffer);
}

String GetModuleDirectory() { return GetDirectoryName(GetModulePath()); }

String GetFolderPath(std::int32_t folderId, const WCHAR* subPath) {
  String buffer;
  buffer.Resize(MAX_PATH);
  buffer.data[0] = 0;
  SHGetSpecialFolderPath(nullptr, buffer.data, folderId, FALSE);
  buffer.data[MAX_PATH] = 0;
  String folder(buffer.data);
  if (subPath != nullptr) return CombinePath(folder, String(subPath));
  return folder;
}

std::int32_t FindFiles(const String& searchPath, System::Text::StringBuilder& list,
                       bool skipHidden) {
  if (searchPath.length <= 0) return 0;
  String fullSearchPath(searchPath);
  if (searchPath.IndexOf(String(TEXT("\\")), 0) == -1) {
    fullSearchPath = CombinePath(GetModuleDirectory(), searchPath);
  }
  const String folder = GetDirectoryName(fullSearchPath);
  WIN32_FIND_DATAW findData;
  const HANDLE search = FindFirstFileW(fullSearchPath.data, &findData);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      if (skipHidden && (findData.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) != 0) continue;
      const String found = CombinePath(folder, String(findData.cFileName));
      list.AddString(found.data, found.length);
    } while (FindNextFileW(search, &findData) != 0);
    FindClose(search);
  }
  return 1;
}
