#include "system/folder_macros.h"

#include <array>
#include <cstddef>

#include "system/path.h"

namespace {

// The folder of each of kFolderMacroNames, in its order.
constexpr std::int32_t kFolderIds[] = {CSIDL_PROGRAM_FILES, CSIDL_PROGRAMS, CSIDL_WINDOWS};
static_assert(std::size(kFolderIds) == std::size(kFolderMacroNames));

// The macros as written, "{ProgramFiles}" and so on.
const std::array<String, std::size(kFolderMacroNames)>& Macros() {
  static const auto macros = [] {
    std::array<String, std::size(kFolderMacroNames)> braced;
    for (std::size_t i = 0; i < braced.size(); ++i) {
      const std::string_view name = kFolderMacroNames[i];
      braced[i] = String(TEXT("{"));
      String wideName;
      wideName.AssignFromAnsi(name.data(), static_cast<std::int32_t>(name.size()));
      braced[i].Append(wideName);
      braced[i].Append(TEXT("}"));
    }
    return braced;
  }();
  return macros;
}

}  // namespace

String ExpandFolderMacros(const String& text) {
  String result(text);
  for (std::size_t i = 0; i < std::size(kFolderIds); ++i) {
    const String& macro = Macros()[i];
    // A folder is looked up only for a text that names it: a product's file entries
    // are expanded by the hundred thousand.
    if (result.IndexOf(macro, 0) < 0) continue;
    result = result.Replace(macro, GetFolderPath(kFolderIds[i], nullptr));
  }
  if (result.data == nullptr) result.Resize(0);  // never the null string, as Replace gives
  return result;
}
