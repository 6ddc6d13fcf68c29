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
    // Every folder is looked up on every call: paths are few and the platform is cheap.
    const String folder = GetFolderPath(entry.folderId, nullptr);
    result = result.Replace(String(entry.macro), folder);
  }
  return result;
}
