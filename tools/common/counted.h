// The one wording of counts in the tools' output: "1 message", "2 messages", "0 messages".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tool {

// `count` and its noun: `one` for exactly one, else `many` ("entries"), which is `one`
// with an "s" when left out.
std::string Counted(std::uint64_t count, std::string_view one, std::string_view many = {});

}  // namespace tool
