// Writing the entries of a package to host files: what `pkgtool extract` does.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "package_view.h"

namespace pkgtool {

// The host form (UTF-8) of a narrow name in the device code page.
std::string HostText(const char* narrow);

// Writes every entry of `view`, decoded, below `folder` (created when missing), its name
// taken as a path with backslashes or slashes. Every entry is checked before anything is
// written, so that a refusal writes nothing: names that would leave `folder` ("." or ".."
// components, an empty name), two entries that would write the same file (or a file where
// another needs a folder), a path through a symbolic link or a file, and - unless
// `overwrite` - a file that exists. Later entries of a name the updater never reads (it
// takes the first) are skipped with a warning. False with *error set (one line, the
// first refusal or failure). `progress`, when set, hears after each entry: entries done,
// entries in all, bytes written so far.
using ExtractProgress = std::function<void(std::size_t, std::size_t, std::uint64_t)>;
bool ExtractAll(PackageView& view, const std::string& folder, bool overwrite,
                const ExtractProgress& progress, std::vector<std::string>* warnings,
                std::string* error);

}  // namespace pkgtool
