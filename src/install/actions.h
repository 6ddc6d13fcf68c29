// The actions of install scripts. Each reads its attributes from the action element
// (`GetAttributeString`, absent ones giving empty text), expands the ones that are
// paths with the script's ExpandPath, and reports nothing: a failure is passed over and
// the run goes on.
#pragma once

#include "install/install_script.h"
#include "xml/xml_node.h"

// "App.Run": starts `target` (expanded) with the command line `args` (as written).
void RunApp(InstallScript& script, XmlNode& action);
// "App.Close": posts WM_CLOSE to the first top-level window titled `windowTitle`.
void CloseApp(InstallScript& script, XmlNode& action);
// "App.CloseAllKelmoraApps": broadcasts the registered message "Kelmora.CloseApp".
void CloseAllKelmoraApps(InstallScript& script, XmlNode& action);
// "Registry.WriteValue": writes one "dword" or text value under HKLM or HKCU.
void WriteRegistryValue(InstallScript& script, XmlNode& action);
// "Product.Run": starts an installed product found through its version record.
void RunProduct(InstallScript& script, XmlNode& action);
// "Shortcut.Create": creates a shell shortcut.
void CreateShortcutAction(InstallScript& script, XmlNode& action);
// "Product.Unpack": installs a nested delivered product, up to 16 levels deep.
void UnpackProduct(InstallScript& script, XmlNode& action);
