#include "updater_process.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <stdexcept>

#include "testing/temp_device.h"

extern char** environ;

namespace test {

UpdaterProcess::UpdaterProcess(const std::string& deviceDir,
                               const std::vector<std::string>& arguments,
                               const UpdaterOptions& options) {
  // Standard error and the measurement go to files beside the device, not into it.
  errPath_ = deviceDir + ".err-XXXXXX";
  const int errFd = ::mkstemp(errPath_.data());
  if (errFd < 0) throw std::runtime_error("cannot make " + errPath_);
  if (options.measureMemory) {
    resultPath_ = deviceDir + ".peak-XXXXXX";
    const int resultFd = ::mkstemp(resultPath_.data());
    if (resultFd < 0) throw std::runtime_error("cannot make " + resultPath_);
    ::close(resultFd);
  }

  std::vector<std::string> env;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    if (std::strncmp(*entry, "CE_DEVICE=", 10) != 0 &&
        std::strncmp(*entry, "CE_DEVICE_HOST_EXEC=", 20) != 0 &&
        (!options.measureMemory || std::strncmp(*entry, "ASAN_OPTIONS=", 13) != 0)) {
      env.emplace_back(*entry);
    }
  }
  env.push_back("CE_DEVICE=" + deviceDir);
  env.push_back("CE_DEVICE_HOST_EXEC=0");
  if (options.measureMemory) {
    // In a sanitizer build, freed memory waits in a quarantine of up to 256 MiB to catch
    // late uses; it would count as the updater's own. A small one keeps the measure true.
    const char* sanitizer = std::getenv("ASAN_OPTIONS");
    env.push_back(std::string("ASAN_OPTIONS=") + (sanitizer != nullptr ? sanitizer : "") +
                  ":quarantine_size_mb=16");
  }
  std::vector<char*> envp;
  for (std::string& entry : env) envp.push_back(entry.data());
  envp.push_back(nullptr);
  std::vector<std::string> args{UPDATER_PATH};
  if (options.measureMemory) args.insert(args.begin(), {MEASURE_PEAK_PATH, resultPath_});
  args.insert(args.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  pid_ = ::fork();
  if (pid_ < 0) {
    ::close(errFd);
    throw std::runtime_error("fork failed");
  }
  if (pid_ == 0) {
    const int nullFd = ::open("/dev/null", O_RDWR);
    ::dup2(nullFd, STDIN_FILENO);
    ::dup2(nullFd, STDOUT_FILENO);
    ::dup2(errFd, STDERR_FILENO);
    if (options.addressSpaceBytes >= 0) {
      const rlimit limit{static_cast<rlim_t>(options.addressSpaceBytes),
                         static_cast<rlim_t>(options.addressSpaceBytes)};
      ::setrlimit(RLIMIT_AS, &limit);
    }
    if (options.maxFileBytes >= 0) {
      ::signal(SIGXFSZ, SIG_IGN);
      const rlimit limit{static_cast<rlim_t>(options.maxFileBytes),
                         static_cast<rlim_t>(options.maxFileBytes)};
      ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ::execve(argv[0], argv.data(), envp.data());
    ::_exit(127);
  }
  ::close(errFd);
}

UpdaterProcess::~UpdaterProcess() {
  if (pid_ > 0) {
    Kill();
    Wait();
  }
  if (!errPath_.empty()) ::unlink(errPath_.c_str());
  if (!resultPath_.empty()) ::unlink(resultPath_.c_str());
}

void UpdaterProcess::Kill() {
  if (pid_ > 0) ::kill(pid_, SIGKILL);
}

UpdaterResult UpdaterProcess::Wait() {
  UpdaterResult result;
  if (pid_ <= 0) return result;
  int status = 0;
  while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
  pid_ = -1;
  if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
  result.err = ReadHostFile(errPath_);
  if (!resultPath_.empty()) {
    if (result.exitCode != 0) throw std::runtime_error("measure_peak failed: " + result.err);
    std::istringstream measured(ReadHostFile(resultPath_));
    measured >> result.exitCode >> result.signal >> result.maxResidentKb;
  }
  return result;
}

UpdaterResult RunUpdater(const std::string& deviceDir, const std::vector<std::string>& arguments,
                         const UpdaterOptions& options) {
  return UpdaterProcess(deviceDir, arguments, options).Wait();
}

}  // namespace test
