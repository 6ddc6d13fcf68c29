// ExecuteAction: the action types of script_words.h, each with what performs it,
// compared exactly and in that order.
#include <cstring>
#include <iterator>
#include <string_view>

#include "install/actions.h"
#include "install/install_script.h"
#include "install/script_words.h"

namespace {

namespace words = script_words;

struct Performer {
  std::string_view type;
  ActionOutcome (*perform)(InstallScript& script, XmlNode& action);
};

constexpr Performer kPerformers[] = {
    {words::kAppRun, RunApp},
    {words::kAppClose, CloseApp},
    {words::kAppCloseAll, CloseAllKelmoraApps},
    {words::kProductRun, RunProduct},
    {words::kShortcutCreate, CreateShortcutAction},
    {words::kRegistryWriteValue, WriteRegistryValue},
    {words::kProductUnpack, UnpackProduct},
};

constexpr bool InTheOrderOfTheWords() {
  if (std::size(kPerformers) != std::size(words::kActionTypes)) return false;
  for (std::size_t i = 0; i < std::size(kPerformers); ++i) {
    if (kPerformers[i].type != words::kActionTypes[i].name) return false;
  }
  return true;
}
static_assert(InTheOrderOfTheWords(), "one performer for each action type, in its order");

}  // namespace

ActionOutcome InstallScript::ExecuteAction(XmlNode& action) {
  const AnsiString type(action.GetAttribute(words::kType));
  for (const Performer& candidate : kPerformers) {
    // The words are zero-terminated: they are the arrays of script_words.h.
    if (std::strcmp(type.data, candidate.type.data()) == 0) {
      return candidate.perform(*this, action);
    }
  }
  return ActionOutcome::kUnknownType;
}
