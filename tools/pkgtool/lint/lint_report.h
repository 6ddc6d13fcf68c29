// The findings of `pkgtool lint` for people and for programs.
//
// Text: one finding a line, "PLACE: SEVERITY: MESSAGE [CODE]", where PLACE is
// "InstallScript.xml:LINE:COLUMN" (the nested products first, "A.gz > ...") or, for a
// finding about the package itself, the package's name; a script finding is followed by
// its source line and a caret under the column. A last line counts them.
// JSON: {"package", "openedAs", "findings": [{"severity", "code", "message", "file",
// "line", "column", "within"}], "errors", "warnings", "notes"}, without the place
// fields where a finding has none. A package that cannot be read at all has
// {"package", "unreadable": REASON} instead.
//
// A report shows the findings of `shownFrom` and the more severe levels; its counts are
// of what it shows, and the levels it leaves out are left out of them too.
//
// Several packages: in text, each package's report under a line "== PACKAGE" (or
// "unreadable: REASON" under it), then a line "total: N packages[, U unreadable]: "
// with the counts of them all. In JSON, {"packages": [one object per package, as
// above], "errors", "warnings", "notes", "unreadable"}.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "lint/finding.h"

namespace pkgtool {

struct LintSubject {
  std::string package;   // the file as given, UTF-8
  std::string openedAs;  // the name its entries were decoded by
};

// One package of a report of several: its findings, or why it could not be read.
struct LintedPackage {
  LintSubject subject;
  std::optional<Findings> findings;  // none when the package is unreadable
  std::string unreadable;
};

// "error", "warning" or "note"; false for anything else.
bool ParseSeverity(const std::string& name, Severity* severity);

std::string LintText(const LintSubject& subject, const Findings& findings,
                     Severity shownFrom = Severity::kNote);
std::string LintJson(const LintSubject& subject, const Findings& findings,
                     Severity shownFrom = Severity::kNote);
std::string LintUnreadableJson(const std::string& package, const std::string& reason);

std::string LintText(const std::vector<LintedPackage>& packages, Severity shownFrom);
std::string LintJson(const std::vector<LintedPackage>& packages, Severity shownFrom);

}  // namespace pkgtool
