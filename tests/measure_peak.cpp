// measure_peak RESULT PROGRAM [ARGS...]: runs PROGRAM and writes to the file RESULT its
// exit code, the signal that ended it (0 if none) and its peak resident memory in KiB,
// separated by spaces.
//
// A process started by fork inherits the peak memory of the process it was forked
// from, so a test that allocates a lot cannot measure a program it starts itself; this
// small process starts the program instead. Exits with 0 when RESULT was written.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: measure_peak RESULT PROGRAM [ARGS...]\n");
    return 2;
  }
  const pid_t child = ::fork();
  if (child < 0) return 1;
  if (child == 0) {
    ::execv(argv[2], argv + 2);
    ::_exit(127);
  }
  int status = 0;
  rusage usage{};
  while (::wait4(child, &status, 0, &usage) < 0) {
    if (errno != EINTR) return 1;
  }
  std::FILE* result = std::fopen(argv[1], "w");
  if (result == nullptr) return 1;
  std::fprintf(result, "%d %d %ld\n", WIFEXITED(status) ? WEXITSTATUS(status) : -1,
               WIFSIGNALED(status) ? WTERMSIG(status) : 0, usage.ru_maxrss);
  return std::fclose(result) == 0 ? 0 : 1;
}
