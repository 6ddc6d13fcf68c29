// Runs a program to its end, for end-to-end tests: arguments, standard input and extra
// environment in; exit code, standard output and standard error out.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace test {

struct ProgramResult {
  int exitCode = -1;  // -1 when the program did not exit normally
  std::string out;
  std::string err;
};

// `environment` entries are NAME=VALUE and replace inherited variables of that name.
// Throws std::runtime_error when the program cannot be started.
ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                         std::string_view input = {},
                         const std::vector<std::string>& environment = {});

}  // namespace test
