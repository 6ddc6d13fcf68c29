// The file-system work of installing a package: folders, entry extraction, listings.
#pragma once

#include <cstdint>

#include "package/resource_package.h"
#include "system/ansi_string.h"
#include "system/string_builder.h"
#include "system/wide_string.h"

// Creates every level of `folder`, from the root down ("\A\B" creates "\A", then
// "\A\B"); levels that exist are passed over. Failures are not reported. Returns 1.
std::int32_t CreateDirectories(const String& folder);

// Writes the entry `entryName` of `package` to `targetPath`, byte for byte as stored
// (never decoded), through one block of 100,000 bytes. The target's folder is created
// first when it is missing, even when the package has no such entry (then no file is
// written). A target that cannot be opened, or a package that ends before the entry's
// data does, ends the extraction quietly; after a short read the target holds the blocks
// read in full before it. Takes both strings over. Reports nothing.
void ExtractEntry(System::IO::ResourcePackage& package, AnsiString entryName, String targetPath);

// ExtractEntry for one entry of a series (the Files pass): `checkedFolder` holds the
// folder that the previous entry of the series made sure of, and an entry for the same
// folder skips the check. Folders are checked once per run of entries, not per entry.
void ExtractEntry(System::IO::ResourcePackage& package, AnsiString entryName, String targetPath,
                  String& checkedFolder);

// Appends the full path of every entry of `folder` matching `pattern`, in the platform's
// order, passing over hidden ones when `skipHidden` is set. Returns 0 when the search
// path is empty, else 1.
std::int32_t ListFiles(const String& folder, const String& pattern,
                       System::Text::StringBuilder& list, bool skipHidden);
