// Flags: the options and arguments of one command.
//
// Options are `--name VALUE`, `--name=VALUE` or a bare `--switch`; `--` ends the options;
// `-` alone is an argument (standard input). Not thread-safe; cheap to make per command.
#pragma once

#include <initializer_list>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "command_table.h"

namespace tool {

class Flags {
 public:
  // `valued` options take a value, `switches` take none.
  Flags(std::initializer_list<std::string_view> valued,
        std::initializer_list<std::string_view> switches);
  // The options of a command's table: those with a value placeholder take a value.
  explicit Flags(std::span<const Option> options);

  // On failure returns false and sets *error to one line, e.g. "unknown option '--x'".
  bool Parse(std::span<const std::string> args, std::string* error);

  bool Has(std::string_view name) const { return values_.count(std::string(name)) != 0; }
  std::optional<std::string> Value(std::string_view name) const;
  const std::vector<std::string>& arguments() const { return arguments_; }

 private:
  std::vector<std::string> valued_;
  std::vector<std::string> switches_;
  std::map<std::string, std::string> values_;
  std::vector<std::string> arguments_;
};

}  // namespace tool
