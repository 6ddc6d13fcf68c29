// Words written almost like a known one: the mistakes that make the updater ignore an
// element, attribute, event, action type or macro without a word.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace pkgtool {

enum class Miss {
  kCase,  // the same letters in another letter case ("files" for "Files")
  kTypo,  // a letter or two off, ignoring case ("Product.Unpak" for "Product.Unpack")
};

struct NearWord {
  std::string_view known;
  Miss miss;
};

// The known word that `written` nearly is; none when it is one of them exactly or is
// near none. Words under 5 letters only match in another letter case; longer ones
// allow one edit, and words of 10 letters or more two.
std::optional<NearWord> Nearest(std::string_view written, std::span<const std::string_view> known);

// The finding code of a near miss: "wrong-case" or "typo".
const char* MissCode(Miss miss);
// "'files' is not 'Files'" with the reason: "names are case-sensitive" for a case miss.
std::string MissText(std::string_view written, const NearWord& near, std::string_view what);

}  // namespace pkgtool
