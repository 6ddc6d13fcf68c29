#include "system/folder_macros.h"

#include "system/path.h"

namespace {

struct FolderMacro {
  const WCHAR* macro;
  std::int32_t folderId;
};

constexpr FolderMacro kFolderMacros[] = {
    {TEXT("{ProgramFiles}"), CSIDL_PROGRAM_FILES},
    {TEXT("{Programs}"), CSIDL_PROGRAMS},
    {TEXT("{Windows}"), CSIDL_WINDOWS},
};

}  // namespace

String ExpandFolderMacros(const String& text) {
  String result(text);
  for (const FolderMacro& entry : kFolderMacros) {
    const String macro(entry.macro);
    // A folder is looked up only for a text that names it: a product's file entries
    // are expanded by the hundred thousand.
    if (result.IndexOf(macro, 0) < 0) continue;
    result = result.Replace(macro, GetFolderPath(entry.folderId, nullptr));
  }
  if (result.data == nullptr) result.Resize(0);  // never the null string, as Replace gives
  return result;
}
