// `pkgtool show`: the install script of a package, as the updater reads it from the
// package (its entry's decoded bytes, unchanged).
#pragma once

#include <optional>
#include <string>

#include "command_table.h"
#include "package_view.h"

namespace pkgtool {

// The decoded bytes of the package's InstallScript.xml entry, exactly as stored (empty
// for an empty entry); nullopt when the package has no such entry.
std::optional<std::string> ScriptText(PackageView& view);

// show PKG [--as NAME]: writes the script to standard output. Exit 3 for a package that
// cannot be read or has no script.
int RunShow(const tool::Invocation& invocation);

}  // namespace pkgtool
