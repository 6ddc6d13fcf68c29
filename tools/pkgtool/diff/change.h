// What a difference between an old and a new package does to one thing in them.
#pragma once

#include <cstdint>
#include <string_view>

namespace pkgtool {

enum class Change : std::uint8_t { kAdded, kRemoved, kChanged };

// "added", "removed", "changed": the word reports use.
constexpr std::string_view ChangeName(Change change) {
  switch (change) {
    case Change::kAdded:
      return "added";
    case Change::kRemoved:
      return "removed";
    case Change::kChanged:
      break;
  }
  return "changed";
}

}  // namespace pkgtool
