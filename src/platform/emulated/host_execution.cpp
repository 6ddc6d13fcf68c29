#include "host_execution.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "native_error.h"

extern char** environ;

namespace emu {
namespace {
// -1: follow the environment; 0 or 1: set by SetHostExecution.
std::atomic<int> hostExecution{-1};
}  // namespace

void SetHostExecution(bool enabled) { hostExecution = enabled ? 1 : 0; }
void ResetHostExecution() { hostExecution = -1; }

bool HostExecutionEnabled() {
  const int state = hostExecution.load();
  if (state >= 0) return state == 1;
  const char* setting = std::getenv("CE_DEVICE_HOST_EXEC");
  return setting == nullptr || std::strcmp(setting, "0") != 0;
}

Status RunDetached(int program, const std::string& programName, const std::string& deviceDir,
                   const std::optional<std::string>& argument) {
  // Everything the child needs is built before fork: after it, only async-signal-safe
  // calls are allowed.
  std::vector<std::string> environment;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    if (std::strncmp(*entry, "CE_DEVICE=", 10) != 0) environment.emplace_back(*entry);
  }
  environment.push_back("CE_DEVICE=" + deviceDir);
  std::vector<char*> envp;
  for (std::string& entry : environment) envp.push_back(entry.data());
  envp.push_back(nullptr);
  std::string name = programName;
  std::string text = argument.value_or(std::string());
  std::vector<char*> argv{name.data()};
  if (argument) argv.push_back(text.data());
  argv.push_back(nullptr);

  const pid_t child = ::fork();
  if (child < 0) return ErrnoStatus("fork");
  if (child == 0) {
    // The intermediate child starts a new session and leaves at once, so that the
    // program is adopted by init and never waited for here.
    ::setsid();
    if (::fork() != 0) ::_exit(0);
    const int null = ::open("/dev/null", O_RDONLY);
    if (null >= 0) ::dup2(null, STDIN_FILENO);
    // A script is read by its interpreter through /dev/fd: the descriptor must survive.
    ::fcntl(program, F_SETFD, 0);
    ::fexecve(program, argv.data(), envp.data());
    ::_exit(127);
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  return Status::Ok();
}

}  // namespace emu
