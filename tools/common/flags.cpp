#include "flags.h"

#include <algorithm>

namespace tool {

Flags::Flags(std::initializer_list<std::string_view> valued,
             std::initializer_list<std::string_view> switches)
    : valued_(valued.begin(), valued.end()), switches_(switches.begin(), switches.end()) {}

Flags::Flags(std::span<const Option> options) {
  for (const Option& option : options) {
    if (option.name.size() < 2 || option.name[0] != '-') continue;
    (option.value.empty() ? switches_ : valued_).emplace_back(option.name);
  }
}

bool Flags::Parse(std::span<const std::string> args, std::string* error) {
  values_.clear();
  arguments_.clear();
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      arguments_.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    const std::size_t equals = arg.find('=');
    const std::string name = arg.substr(0, equals);
    const auto known = [&](const std::vector<std::string>& list) {
      return std::find(list.begin(), list.end(), name) != list.end();
    };
    if (known(valued_)) {
      if (equals != std::string::npos) {
        values_[name] = arg.substr(equals + 1);
      } else if (i + 1 < args.size()) {
        values_[name] = args[++i];
      } else {
        *error = "option '" + name + "' needs a value";
        return false;
      }
    } else if (known(switches_) && equals == std::string::npos) {
      values_[name] = std::string();
    } else {
      *error = "unknown option '" + arg + "'";
      return false;
    }
  }
  return true;
}

std::optional<std::string> Flags::Value(std::string_view name) const {
  const auto found = values_.find(std::string(name));
  if (found == values_.end()) return std::nullopt;
  return found->second;
}

}  // namespace tool
