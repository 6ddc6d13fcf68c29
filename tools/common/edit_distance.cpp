#include "edit_distance.h"

#include <algorithm>
#include <numeric>
#include <vector>

namespace tool {

int EditDistance(std::string_view from, std::string_view to) {
  // One row of the classic table at a time: row[j] is the distance between the first i
  // characters of `from` and the first j of `to`.
  std::vector<int> row(to.size() + 1);
  std::iota(row.begin(), row.end(), 0);
  for (std::size_t i = 1; i <= from.size(); ++i) {
    int diagonal = row[0];
    row[0] = static_cast<int>(i);
    for (std::size_t j = 1; j <= to.size(); ++j) {
      const int above = row[j];
      row[j] =
          std::min({row[j] + 1, row[j - 1] + 1, diagonal + (from[i - 1] == to[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[to.size()];
}

}  // namespace tool
