// Paths in the platform's form: rooted at one backslash, no drive letters, the backslash
// as the only separator. Nothing here recognises "/", collapses doubled backslashes,
// resolves "." or "..", or changes letter case. Every result is a new String; the
// arguments are not changed. No state is kept between calls.
#pragma once

#include <cstdint>

#include "system/string_builder.h"
#include "system/wide_string.h"

// `directory` and `name` joined by one backslash (none added when `directory` ends with
// one; one leading backslash of `name` dropped). An empty side gives the other alone.
String CombinePath(const String& directory, const String& name);

// The units before the last backslash; empty for a file in the root ("\a.gz"), the null
// string when there is no backslash at all.
String GetDirectoryName(const String& path);

// The units after the last backslash, or the whole path when there is none.
String GetFileName(const String& path);

// True when the platform's file search finds `path` itself (a file or a folder).
bool PathExists(const String& path);

// The program's own executable file (at most 254 units).
String GetModulePath();
String GetModuleDirectory();

// A special folder (a CSIDL_* id), joined with `subPath` when it is not null.
String GetFolderPath(std::int32_t folderId, const WCHAR* subPath);

// Appends the full path of every entry that `searchPath` (folder and wildcard pattern)
// finds, in the platform's order, passing over hidden entries when `skipHidden` is set.
// A search path without a backslash searches the program's own folder. Returns 0 when
// `searchPath` is empty, else 1 (also when nothing was found).
std::int32_t FindFiles(const String& searchPath, System::Text::StringBuilder& list,
                       bool skipHidden);
