#include "lint/script_lint.h"

#include "lint/parsed_script.h"

namespace pkgtool {

void LintScript(std::string text, const std::vector<EntryInfo>& entries, Findings& findings,
                std::vector<NestedPackage>* nested) {
  ParsedScript script(std::move(text));
  CheckStructure(script, findings);
  CheckAttributeSyntax(script, findings);
  CheckNames(script, findings);
  CheckActions(script, findings);
  CheckEntries(script, entries, findings, nested);
  CheckEncoding(script, findings);
}

}  // namespace pkgtool
