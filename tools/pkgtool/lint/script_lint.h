// Lints one install script against the entries of its package: every check of
// script_checks.h, in a fixed order.
#pragma once

#include <string>
#include <vector>

#include "lint/finding.h"
#include "lint/script_checks.h"

namespace pkgtool {

// Adds the findings of `text` to `findings` (unsorted) and sets *nested to the products
// that the script unpacks from its own package.
void LintScript(std::string text, const std::vector<EntryInfo>& entries, Findings& findings,
                std::vector<NestedPackage>* nested);

}  // namespace pkgtool
