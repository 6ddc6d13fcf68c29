// Findings of the package linter: what a package or its install script does that its
// maker probably did not mean, each with a severity, a short code and a one-line message.
//
// Findings in the script carry its line and column (1-based; the column counts bytes)
// and the text of that line. Findings of a nested product (a package inside a package)
// name it in `within`, outermost first. Not thread-safe.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace pkgtool {

enum class Severity { kError, kWarning, kNote };

const char* SeverityName(Severity severity);

struct Finding {
  Severity severity = Severity::kNote;
  std::string code;       // e.g. "open-comment"
  std::string message;    // one line, UTF-8
  std::int32_t line = 0;  // 0 when the finding has no place in the script
  std::int32_t column = 0;
  std::string sourceLine;  // the script line, UTF-8, when `line` is set
  std::string caret;       // blanks (tabs where the line has them) and "^" under the column
  std::vector<std::string> within;  // the nested products it belongs to, outermost first
};

class Findings {
 public:
  void Add(Finding finding) { all_.push_back(std::move(finding)); }
  // Appends another list's findings, each placed within `product`.
  void AddNested(const std::string& product, const Findings& nested);

  // In the order added.
  const std::vector<Finding>& all() const { return all_; }
  std::size_t Count(Severity severity) const;
  bool HasErrors() const { return Count(Severity::kError) > 0; }

  // Orders the findings by nesting, then line and column; those without a place first.
  // Findings at the same place keep the order in which they were added.
  void Sort();

 private:
  std::vector<Finding> all_;
};

}  // namespace pkgtool
