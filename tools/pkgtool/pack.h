// Packing a folder into a package: what `pkgtool pack` does.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace pkgtool {

// One file of the folder: its entry name (device code page, backslashes) and host path.
struct PackSource {
  std::string entryName;
  std::string hostPath;
  std::uint64_t size = 0;
};

// Every regular file below `folder` (symbolic links are passed over), named by its path
// relative to `folder` with backslashes, "InstallScript.xml" first and the rest in
// ordinal order of their names. False with *error set for a name the updater cannot
// use: over 67 bytes, holding a backslash or a character outside the device code page.
bool CollectSources(const std::string& folder, std::vector<PackSource>* sources,
                    std::string* error);

// Checks the finished temporary package at `path` before it takes the output's place;
// false with *error set keeps it from doing so.
using PackCheck = std::function<bool(const std::string& path, std::string* error)>;

struct PackOptions {
  // Scrambles the data of InstallScript.xml, which the updater decodes; file entries
  // are installed as stored and stay plain.
  bool scrambleData = false;
  int level = 6;  // gzip level, for a ".gz" output
  bool allowNoScript = false;
  PackCheck check;  // none by default
};

// Reports progress: files done, files in all, bytes done.
using PackProgress = std::function<void(std::size_t, std::size_t, std::uint64_t)>;

// Packs `sources` into `output`, for the file name the updater will open it by: gzip-
// compressed when `output` ends in ".gz". Writes a temporary file beside `output`, runs
// the options' check on it, and renames it into place, so a failure or a refusal never
// leaves a partial `output` and keeps an existing one. False with *error set on failure.
bool WritePackage(const std::vector<PackSource>& sources, const std::string& output,
                  const PackOptions& options, const PackProgress& progress, std::string* error);

}  // namespace pkgtool
