// What `pkgtool list` prints: the entries of a package, as a table or one JSON document.
#pragma once

#include <string>

#include "package_view.h"

namespace pkgtool {

// A header line, then per entry its size, its data (scrambled or plain) and its name.
std::string EntryListText(PackageView& view);

// {"package": FILE, "openedAs": NAME, "entries": [{"name", "size", "scrambled"}...]}, the
// name the package was opened by and the entries in file order.
std::string EntryListJson(const std::string& file, PackageView& view);

}  // namespace pkgtool
