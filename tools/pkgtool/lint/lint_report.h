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
#pragma once

#include <string>

#include "lint/finding.h"

namespace pkgtool {

struct LintSubject {
  std::string package;   // the file as given, UTF-8
  std::string openedAs;  // the name its entries were decoded by
};

std::string LintText(const LintSubject& subject, const Findings& findings);
std::string LintJson(const LintSubject& subject, const Findings& findings);
std::string LintUnreadableJson(const std::string& package, const std::string& reason);

}  // namespace pkgtool
