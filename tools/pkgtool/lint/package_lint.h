// Lints a package as the updater will read it: its entries, its InstallScript.xml, and
// the nested products it unpacks from its own files (each opened under the name it will
// have on the device, up to 16 levels deep, as the updater nests).
#pragma once

#include "lint/finding.h"
#include "package_view.h"

namespace pkgtool {

// The findings, sorted. Findings of a nested product carry its file name in `within`.
Findings LintPackage(PackageView& view);

}  // namespace pkgtool
