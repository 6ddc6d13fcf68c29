// Staging: how the Files pass replaces a product's files without ever leaving one half
// written.
//
// Every new file is first written completely beside its target, in the target's folder,
// under a staging name "~upd<N>.tmp", N being the entry's index in the pass (or "~<N>"
// where the longer name would make the path reach MAX_PATH): names never collide
// within a pass, and a rerun of the same script reuses them. Only when every
// entry is staged is each put in place, in one step. A staging file never becomes a
// product file: a target whose own name has that form cannot be staged, and the
// leftovers of an interrupted pass are removed from a folder before the next pass
// stages into it.
#pragma once

#include <cstdint>

#include "system/wide_string.h"

// The staging file of entry `index` whose target is `targetPath`: in the same folder.
String StagingPath(const String& targetPath, std::int32_t index);

// True for a name of the form "~upd<digits>.tmp" or "~<digits>", letter case ignored.
bool IsStagingName(const WCHAR* name);

// Deletes every staging file left in `folder` (by a pass that was interrupted).
void RemoveStagingLeftovers(const String& folder);

// What stands at a target path.
enum class StagingTarget {
  kAbsent,          // nothing: the staged file is moved there
  kFile,            // a file that can be replaced
  kNotReplaceable,  // a folder, a read-only file, a staging name, a name the device refuses
};
StagingTarget InspectTarget(const String& targetPath);

// Puts the staged file at `stagingPath` in place at `targetPath` in one step:
// DeleteAndRenameFile where the target exists (`targetExists`, as inspected; checked
// again when the call says otherwise), MoveFileW where it does not. False when it could
// not (on a device: a file in use); the staging file is then still there.
bool PutInPlace(const String& stagingPath, const String& targetPath, bool targetExists);
