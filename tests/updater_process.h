// UpdaterProcess: the real updater run as a child process on a device, for the tests
// that feed it hostile deliveries or kill it.
//
// The child gets the test's environment with CE_DEVICE set to the device and host
// execution of programs off (CE_DEVICE_HOST_EXEC=0); its standard error is kept. One
// process object per child; not thread-safe.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace test {

// The programs run under an emulator (the arm32 build under qemu-arm): slower, and a
// measured peak includes the emulator's own memory.
inline constexpr bool kUnderEmulator = UPDATER_UNDER_EMULATOR != 0;

// The trial count of a randomised test: under an emulator, which runs every updater
// several times slower, half of `trials`, at least one. Each trial checks as much.
constexpr int ScaledTrials(int trials) {
  return kUnderEmulator ? (trials / 2 > 0 ? trials / 2 : 1) : trials;
}

struct UpdaterOptions {
  // The largest file the updater may write (RLIMIT_FSIZE, with SIGXFSZ ignored, so that
  // a write beyond it fails as on a full disk); negative: no limit.
  std::int64_t maxFileBytes = -1;
  // Started through measure_peak, which reports its peak memory.
  bool measureMemory = false;
  // The address space the updater may take (RLIMIT_AS), as a handheld gives a process a
  // slot of its size; negative: no limit. Not for sanitizer builds.
  std::int64_t addressSpaceBytes = -1;
};

struct UpdaterResult {
  int exitCode = -1;       // -1 when it did not exit normally
  int signal = 0;          // the signal that ended it, or 0
  long maxResidentKb = 0;  // its peak resident memory, when measured
  std::string err;
};

class UpdaterProcess {
 public:
  // Starts the updater. Throws std::runtime_error when it cannot be started.
  UpdaterProcess(const std::string& deviceDir, const std::vector<std::string>& arguments,
                 const UpdaterOptions& options = {});
  UpdaterProcess(const UpdaterProcess&) = delete;
  UpdaterProcess& operator=(const UpdaterProcess&) = delete;
  // Kills and reaps a child that is still running.
  ~UpdaterProcess();

  // SIGKILL. REQUIRES: memory is not measured (that would kill measure_peak).
  void Kill();
  // Waits for the child to end; call once.
  UpdaterResult Wait();

 private:
  pid_t pid_ = -1;
  std::string errPath_;
  std::string resultPath_;
};

// Starts the updater and waits for it.
UpdaterResult RunUpdater(const std::string& deviceDir, const std::vector<std::string>& arguments,
                         const UpdaterOptions& options = {});

}  // namespace test
