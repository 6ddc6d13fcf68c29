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

// What writing one package entry to a file came to.
enum class EntryWrite {
  kWritten,      // the file holds all of the entry's data and was closed without error
  kNoSuchEntry,  // the package has no such entry; no file was opened
  kFailed,       // the file could not be opened, or holds less than the entry (a part)
};

// Writes the entry `entryName` of `package` to the file `path` (created, or truncated),
// byte for byte as stored (never decoded), through one block of 100,000 bytes. kFailed
// when the file cannot be opened, the package ends before the entry's data does, a
// write falls short (a full disk) or closing the file fails.
EntryWrite WriteEntry(System::IO::ResourcePackage& package, const char* entryName,
                      const String& path);

// How EnsureFolder found a folder.
enum class FolderCheck {
  kSameAsBefore,  // the folder of the previous entry of the series: not checked again
  kExisted,
  kCreated,  // missing, and its levels were created (or creating them failed)
};

// Makes sure that `folder` exists, creating its missing levels (CreateDirectories); an
// empty folder is passed to CreateDirectories, which creates nothing. `checkedFolder`
// holds the folder that the previous entry of a series made sure of: the same folder
// again is not checked, so folders are checked once per run of entries.
FolderCheck EnsureFolder(const String& folder, String& checkedFolder);

// Writes the entry `entryName` of `package` to `targetPath` (WriteEntry). The target's
// folder is created first when it is missing, even when the package has no such entry
// (then no file is written). A target that cannot be opened, or a package that ends
// before the entry's data does, ends the extraction quietly; after a short read the
// target holds the blocks read in full before it. Takes both strings over. Reports
// nothing.
void ExtractEntry(System::IO::ResourcePackage& package, AnsiString entryName, String targetPath);

// ExtractEntry for one entry of a series, with `checkedFolder` as for EnsureFolder.
void ExtractEntry(System::IO::ResourcePackage& package, AnsiString entryName, String targetPath,
                  String& checkedFolder);

// Appends the full path of every entry of `folder` matching `pattern`, in the platform's
// order, passing over hidden ones when `skipHidden` is set. Returns 0 when the search
// path is empty, else 1.
std::int32_t ListFiles(const String& folder, const String& pattern,
                       System::Text::StringBuilder& list, bool skipHidden);
