// Writing the entries of a package to host files: what `pkgtool extract` does.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "package_view.h"

namespace pkgtool {

// The host form (UTF-8) of a narrow name in the device code page.
std::string HostText(const char* narrow);

// Writes every entry of `view`, decoded, below `folder` (created when missing), its name
// taken as a path with backslashes or slashes. Refuses names that would leave `folder`
// ("." or ".." components, an empty name) and never writes through a symbolic link.
// Later entries of a name the updater never reads (it takes the first) are skipped with
// a warning. False with *error set at the first entry that cannot be written.
bool ExtractAll(PackageView& view, const std::string& folder,
                const std::function<void(std::size_t, std::size_t)>& progress,
                std::vector<std::string>* warnings, std::string* error);

}  // namespace pkgtool
