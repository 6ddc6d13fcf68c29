#include "counted.h"

namespace tool {

std::string Counted(std::uint64_t count, std::string_view one, std::string_view many) {
  std::string text = std::to_string(count) + " ";
  if (count == 1) return text.append(one);
  if (!many.empty()) return text.append(many);
  return text.append(one).append("s");
}

}  // namespace tool
