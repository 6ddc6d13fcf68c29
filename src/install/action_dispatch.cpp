// ExecuteAction: the table of action types, compared exactly and in this order.
#include <cstring>

#include "install/actions.h"
#include "install/install_script.h"

namespace {

struct ActionType {
  const char* name;
  void (*perform)(InstallScript& script, XmlNode& action);
};

constexpr ActionType kActionTypes[] = {
    {"App.Run", RunApp},
    {"App.Close", CloseApp},
    {"App.CloseAllKelmoraApps", CloseAllKelmoraApps},
    {"Product.Run", RunProduct},
    {"Shortcut.Create", CreateShortcutAction},
    {"Registry.WriteValue", WriteRegistryValue},
    {"Product.Unpack", UnpackProduct},
};

}  // namespace

void InstallScript::ExecuteAction(XmlNode& action) {
  const AnsiString type(action.GetAttribute("type"));
  for (const ActionType& candidate : kActionTypes) {
    if (std::strcmp(type.data, candidate.name) == 0) {
      candidate.perform(*this, action);
      return;
    }
  }
}
