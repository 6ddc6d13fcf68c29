// CreateProcessW: finds the program's file on the device, journals the call, and runs
// the file on the host when it is marked executable there.
#include <sys/stat.h>

#include <atomic>
#include <mutex>
#include <unordered_set>

#include "ce_path.h"
#include "code_page.h"
#include "device.h"
#include "handle_values.h"
#include "host_execution.h"
#include "journal_events.h"
#include "named_mutex.h"
#include "platform/ce.h"

namespace {

class ProcessHandles {
 public:
  HANDLE Add() {
    const HANDLE handle = emu::NewHandleValue();
    std::lock_guard lock(mutex_);
    open_.insert(reinterpret_cast<std::uintptr_t>(handle));
    return handle;
  }
  bool Close(HANDLE handle) {
    std::lock_guard lock(mutex_);
    return open_.erase(reinterpret_cast<std::uintptr_t>(handle)) != 0;
  }

 private:
  std::mutex mutex_;
  std::unordered_set<std::uintptr_t> open_;
};

ProcessHandles& Handles() {
  static ProcessHandles handles;
  return handles;
}

std::atomic<DWORD> nextProcessId{0x100};

// The paths to try for `application`: a bare name is looked for in \Windows, then in
// \; `.exe` is added to a name without an extension.
std::vector<std::u16string> Candidates(std::u16string_view application) {
  std::u16string name(application);
  const std::size_t lastSeparator = name.find_last_of(u"\\/");
  const std::size_t nameStart = lastSeparator == std::u16string::npos ? 0 : lastSeparator + 1;
  if (name.find(u'.', nameStart) == std::u16string::npos) name += u".exe";
  if (lastSeparator != std::u16string::npos) return {name};
  return {u"\\Windows\\" + name, u"\\" + name};
}

// Opens the program's file; an empty descriptor when there is none.
emu::ScopedFd FindProgram(const emu::Device& device, std::u16string_view application,
                          std::u16string* found) {
  if (application.empty()) return emu::ScopedFd();
  for (const std::u16string& candidate : Candidates(application)) {
    emu::CePath path;
    if (!emu::ParseCePath(candidate, &path).ok() || path.IsRoot()) continue;
    emu::ScopedFd file;
    if (device.fileSystem()
            .OpenFile(path, emu::FileAccess::kRead, emu::Disposition::kOpenExisting, &file)
            .ok()) {
      *found = path.parts.back();
      return file;
    }
  }
  return emu::ScopedFd();
}

std::optional<std::u16string> Optional(LPCWSTR text) {
  if (text == nullptr) return std::nullopt;
  return std::u16string(text);
}

}  // namespace

BOOL CreateProcessW(LPCWSTR applicationName, LPWSTR commandLine,
                    SECURITY_ATTRIBUTES* /*processAttributes*/,
                    SECURITY_ATTRIBUTES* /*threadAttributes*/, BOOL /*inheritHandles*/,
                    DWORD /*creationFlags*/, LPVOID /*environment*/, LPCWSTR /*currentDirectory*/,
                    STARTUPINFOW* /*startupInfo*/, PROCESS_INFORMATION* processInformation) {
  const std::shared_ptr<emu::Device> device = emu::CurrentDevice();
  std::u16string fileName;
  const emu::ScopedFd program =
      FindProgram(*device, applicationName == nullptr ? u"" : applicationName, &fileName);
  const bool started = program.valid();

  // The journal records the call even when the database cannot: the call's result
  // depends on the file alone.
  const emu::ProcessEvent event{Optional(applicationName), Optional(commandLine), started};
  static_cast<void>(
      device->Write([&](emu::sql::Database& db) { return AppendProcessEvent(db, event); }));

  if (!started) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
  }
  struct stat info;
  if (emu::HostExecutionEnabled() && ::fstat(program.get(), &info) == 0 &&
      (info.st_mode & S_IXUSR) != 0) {
    std::optional<std::string> argument;
    if (commandLine != nullptr && *commandLine != 0) argument = emu::Utf16ToUtf8(commandLine);
    static_cast<void>(
        emu::RunDetached(program.get(), emu::Utf16ToUtf8(fileName), device->hostDir(), argument));
  }
  if (processInformation != nullptr) {
    processInformation->hProcess = Handles().Add();
    processInformation->hThread = Handles().Add();
    processInformation->dwProcessId = nextProcessId += 4;
    processInformation->dwThreadId = processInformation->dwProcessId + 2;
  }
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

BOOL CloseHandle(HANDLE object) {
  if (Handles().Close(object) || emu::CloseMutexHandle(object)) return TRUE;
  SetLastError(ERROR_INVALID_HANDLE);
  return FALSE;
}
