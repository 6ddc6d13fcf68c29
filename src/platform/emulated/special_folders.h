// The device's fixed folders: the special folders and the program's own path.
#pragma once

#include <string_view>

namespace emu {

inline constexpr std::u16string_view kModulePath = u"\\Windows\\updater.exe";

// The folder of a CSIDL id, or an empty view for an id the device does not know.
std::u16string_view SpecialFolderPath(int folder);

// Every special folder, in the order `devicectl init` creates them.
inline constexpr std::u16string_view kDeviceFolders[] = {
    u"\\Windows",       u"\\Windows\\Start Menu", u"\\Windows\\Start Menu\\Programs",
    u"\\Program Files", u"\\My Documents",        u"\\Temp"};

}  // namespace emu
