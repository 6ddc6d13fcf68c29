#include "lint/near_miss.h"

#include "edit_distance.h"
#include "lint/parsed_script.h"

namespace pkgtool {

namespace {

std::string Folded(std::string_view text) {
  std::string folded(text);
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return folded;
}

int AllowedEdits(std::string_view known) {
  if (known.size() >= 10) return 2;
  if (known.size() >= 5) return 1;
  return 0;
}

}  // namespace

std::optional<NearWord> Nearest(std::string_view written, std::span<const std::string_view> known) {
  for (const std::string_view word : known) {
    if (word == written) return std::nullopt;
  }
  for (const std::string_view word : known) {
    if (SameIgnoringCase(written, word)) return NearWord{word, Miss::kCase};
  }
  std::optional<NearWord> best;
  int bestDistance = 0;
  for (const std::string_view word : known) {
    const int distance = tool::EditDistance(Folded(written), Folded(word));
    if (distance <= AllowedEdits(word) && (!best || distance < bestDistance)) {
      best = NearWord{word, Miss::kTypo};
      bestDistance = distance;
    }
  }
  return best;
}

const char* MissCode(Miss miss) { return miss == Miss::kCase ? "wrong-case" : "typo"; }

std::string MissText(std::string_view written, const NearWord& near, std::string_view what) {
  std::string text =
      std::string(what) + " '" + Display(written) + "' is not '" + std::string(near.known) + "'";
  if (near.miss == Miss::kCase) text += " (names are case-sensitive)";
  return text;
}

}  // namespace pkgtool
