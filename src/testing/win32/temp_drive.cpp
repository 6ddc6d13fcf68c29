#include "testing/win32/temp_drive.h"

#include <windows.h>

#include <shlobj.h>

#include <algorithm>
#include <stdexcept>

#include "platform/win32_adaptations.h"
#include "testing/win32/files.h"
#include "testing/win32/programs.h"

namespace test {

namespace {

constexpr wchar_t kMarkerName[] = L"updater-test-drive";

[[noreturn]] void Fail(const std::string& what, std::wstring_view path) {
  throw std::runtime_error(what + " " + Utf8(path) + ": error " + std::to_string(GetLastError()));
}

bool IsDotEntry(const wchar_t* name) {
  return name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0));
}

// Deletes everything inside `folder` (a path ending in a backslash), `keep` excepted.
void EmptyFolder(const std::wstring& folder, std::wstring_view keep = {}) {
  WIN32_FIND_DATAW entry;
  const HANDLE search = FindFirstFileW((folder + L"*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    if (IsDotEntry(entry.cFileName) || keep == entry.cFileName) continue;
    const std::wstring path = folder + entry.cFileName;
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      EmptyFolder(path + L"\\");
      RemoveDirectoryW(path.c_str());
    } else {
      DeleteFileW(path.c_str());
    }
  } while (FindNextFileW(search, &entry));
  FindClose(search);
}

std::wstring CurrentFolder() {
  std::wstring folder(GetCurrentDirectoryW(0, nullptr), L'\0');
  folder.resize(GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data()));
  return folder;
}

}  // namespace

TempDrive::TempDrive() {
  wchar_t drive[8] = {};
  const DWORD length = GetEnvironmentVariableW(L"UPDATER_TEST_DRIVE", drive, 8);
  if (length != 2 || drive[1] != L':') {
    throw std::runtime_error("UPDATER_TEST_DRIVE does not name a test drive (such as T:)");
  }
  drive_ = drive;
  const std::wstring root = drive_ + L"\\";
  if (GetFileAttributesW((root + kMarkerName).c_str()) == INVALID_FILE_ATTRIBUTES) {
    Fail("no test drive: missing marker", root + kMarkerName);
  }
  EmptyFolder(root, kMarkerName);
  previousFolder_ = CurrentFolder();
  if (!SetCurrentDirectoryW(root.c_str())) Fail("cannot enter", root);

  MakeFolders(L"\\Temp");
  for (const int folder : {CSIDL_PROGRAMS, CSIDL_WINDOWS, CSIDL_PROGRAM_FILES}) {
    wchar_t path[MAX_PATH] = {};
    if (ce::win32::SpecialFolderPath(nullptr, path, folder, FALSE)) MakeFolders(path);
  }
}

TempDrive::~TempDrive() {
  SetCurrentDirectoryW(previousFolder_.c_str());
  EmptyFolder(drive_ + L"\\", kMarkerName);
}

std::wstring TempDrive::Path(std::wstring_view cePath) const {
  std::wstring path = drive_;
  if (cePath.empty() || cePath.front() != L'\\') path += L'\\';
  return path.append(cePath);
}

void TempDrive::WriteFile(std::wstring_view cePath, std::string_view content) const {
  const std::size_t last = cePath.rfind(L'\\');
  if (last != std::wstring_view::npos && last > 0) MakeFolders(cePath.substr(0, last));
  WriteWholeFile(Path(cePath), content);
}

std::string TempDrive::ReadFile(std::wstring_view cePath) const {
  return ReadWholeFile(Path(cePath));
}

bool TempDrive::Exists(std::wstring_view cePath) const {
  return GetFileAttributesW(Path(cePath).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void TempDrive::MakeFolders(std::wstring_view cePath) const {
  for (std::size_t end = 1; end <= cePath.size(); ++end) {
    if (end < cePath.size() && cePath[end] != L'\\') continue;
    const std::wstring path = Path(cePath.substr(0, end));
    if (!CreateDirectoryW(path.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
      Fail("cannot make folder", path);
    }
  }
}

std::vector<std::wstring> TempDrive::List(std::wstring_view cePath) const {
  std::wstring pattern = Path(cePath);
  if (pattern.back() != L'\\') pattern += L'\\';
  pattern += L'*';
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW entry;
  const HANDLE search = FindFirstFileW(pattern.c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    if (!IsDotEntry(entry.cFileName)) names.emplace_back(entry.cFileName);
  } while (FindNextFileW(search, &entry));
  FindClose(search);
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace test
