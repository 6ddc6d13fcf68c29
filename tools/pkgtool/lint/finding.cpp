#include "lint/finding.h"

#include <algorithm>
#include <tuple>

namespace pkgtool {

const char* SeverityName(Severity severity) {
  switch (severity) {
    case Severity::kError:
      return "error";
    case Severity::kWarning:
      return "warning";
    case Severity::kNote:
      return "note";
  }
  return "note";
}

void Findings::AddNested(const std::string& product, const Findings& nested) {
  for (Finding finding : nested.all()) {
    finding.within.insert(finding.within.begin(), product);
    all_.push_back(std::move(finding));
  }
}

std::size_t Findings::Count(Severity severity) const {
  return static_cast<std::size_t>(
      std::count_if(all_.begin(), all_.end(),
                    [&](const Finding& finding) { return finding.severity == severity; }));
}

void Findings::Sort() {
  std::stable_sort(all_.begin(), all_.end(), [](const Finding& a, const Finding& b) {
    return std::tie(a.within, a.line, a.column) < std::tie(b.within, b.line, b.column);
  });
}

}  // namespace pkgtool
