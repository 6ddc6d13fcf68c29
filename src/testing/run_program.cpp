#include "testing/run_program.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "scoped_fd.h"

extern char** environ;

namespace test {
namespace {

struct Pipe {
  emu::ScopedFd read;
  emu::ScopedFd write;
  Pipe() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    read.Reset(fds[0]);
    write.Reset(fds[1]);
  }
};

std::string NameOf(const std::string& entry) { return entry.substr(0, entry.find('=')); }

}  // namespace

ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                         std::string_view input, const std::vector<std::string>& environment) {
  std::vector<std::string> env;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    bool replaced = false;
    for (const std::string& extra : environment) {
      replaced = replaced || NameOf(extra) == NameOf(*entry);
    }
    if (!replaced) env.emplace_back(*entry);
  }
  env.insert(env.end(), environment.begin(), environment.end());
  std::vector<char*> envp;
  for (std::string& entry : env) envp.push_back(entry.data());
  envp.push_back(nullptr);
  std::vector<std::string> args{program};
  args.insert(args.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  Pipe in, out, err;
  const pid_t child = ::fork();
  if (child < 0) throw std::runtime_error("fork failed");
  if (child == 0) {
    ::dup2(in.read.get(), STDIN_FILENO);
    ::dup2(out.write.get(), STDOUT_FILENO);
    ::dup2(err.write.get(), STDERR_FILENO);
    ::execve(program.c_str(), argv.data(), envp.data());
    ::_exit(127);
  }
  in.read.Reset();
  out.write.Reset();
  err.write.Reset();

  ProgramResult result;
  std::size_t written = 0;
  if (input.empty()) in.write.Reset();
  while (out.read.valid() || err.read.valid()) {
    pollfd fds[3] = {
        {out.read.get(), POLLIN, 0}, {err.read.get(), POLLIN, 0}, {in.write.get(), POLLOUT, 0}};
    if (::poll(fds, 3, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (fds[2].revents != 0) {
      const ssize_t n = ::write(in.write.get(), input.data() + written, input.size() - written);
      if (n > 0) written += static_cast<std::size_t>(n);
      if (n <= 0 || written == input.size()) in.write.Reset();
    }
    for (int i = 0; i < 2; ++i) {
      if (fds[i].revents == 0) continue;
      emu::ScopedFd& source = i == 0 ? out.read : err.read;
      char buffer[4096];
      const ssize_t n = ::read(source.get(), buffer, sizeof buffer);
      if (n > 0) {
        (i == 0 ? result.out : result.err).append(buffer, static_cast<std::size_t>(n));
      } else if (n == 0 || errno != EINTR) {
        source.Reset();
      }
    }
  }
  in.write.Reset();
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  return result;
}

}  // namespace test
