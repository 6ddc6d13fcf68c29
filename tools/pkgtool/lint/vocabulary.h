// The words of InstallScript.xml that the updater knows, with what the linter needs to
// know about each: which attributes an action type reads, which it cannot do without,
// and which it passes through the path expansion. The updater compares all of them
// exactly and case-sensitively.
#pragma once

#include <span>
#include <string_view>

namespace pkgtool {

constexpr std::string_view kScriptEntry = "InstallScript.xml";

constexpr std::string_view kSectionNames[] = {"Installation", "Files", "Actions"};
constexpr std::string_view kElementNames[] = {"Installation", "AppPath", "Exe", "Files", "Actions"};
constexpr std::string_view kEvents[] = {"Install.Before", "Install.After"};
constexpr std::string_view kFileEntryAttributes[] = {"name", "destination"};
constexpr std::string_view kCommonActionAttributes[] = {"event", "type"};
constexpr std::string_view kFolderMacros[] = {"ProgramFiles", "Programs", "Windows"};
constexpr std::string_view kAppPathMacro = "AppPath";

enum class Need {
  kRequired,  // without it the action does nothing
  kExpected,  // without it the action does something, but rarely what was meant
  kOptional,
};

struct ActionAttribute {
  std::string_view name;
  Need need;
  bool expanded;                      // "%AppPath%" and the folder macros are replaced
  std::string_view whenMissing = {};  // what the action does without it
};

struct ActionType {
  std::string_view name;
  std::span<const ActionAttribute> attributes;
};

namespace vocabulary_detail {
constexpr ActionAttribute kAppRun[] = {
    {"target", Need::kRequired, true, "the start of an empty path fails"},
    {"args", Need::kOptional, false}};
constexpr ActionAttribute kAppClose[] = {
    {"windowTitle", Need::kExpected, false, "a window with an empty title is closed"}};
constexpr ActionAttribute kProductRun[] = {
    {"id", Need::kRequired, false, "the record of an empty product id is looked up"},
    {"version", Need::kOptional, false}};
constexpr ActionAttribute kShortcutCreate[] = {
    {"target", Need::kRequired, true, "no shortcut is made"},
    {"shortcutFilename", Need::kRequired, true, "no shortcut is made"}};
constexpr ActionAttribute kRegistryWriteValue[] = {
    {"key", Need::kRequired, false, "nothing is written"},
    {"valueName", Need::kOptional, false},
    {"dataType", Need::kOptional, false},
    {"value", Need::kExpected, false, "an empty text (or 0 for \"dword\") is written"}};
constexpr ActionAttribute kProductUnpack[] = {
    {"filename", Need::kRequired, true, "nothing is installed"}};
}  // namespace vocabulary_detail

// In the order the updater compares them.
constexpr ActionType kActionTypes[] = {
    {"App.Run", vocabulary_detail::kAppRun},
    {"App.Close", vocabulary_detail::kAppClose},
    {"App.CloseAllKelmoraApps", {}},
    {"Product.Run", vocabulary_detail::kProductRun},
    {"Shortcut.Create", vocabulary_detail::kShortcutCreate},
    {"Registry.WriteValue", vocabulary_detail::kRegistryWriteValue},
    {"Product.Unpack", vocabulary_detail::kProductUnpack},
};

inline bool IsOneOf(std::string_view word, std::span<const std::string_view> words) {
  for (const std::string_view candidate : words) {
    if (candidate == word) return true;
  }
  return false;
}

// The action type named exactly `name`; null when there is none.
inline const ActionType* FindActionType(std::string_view name) {
  for (const ActionType& type : kActionTypes) {
    if (type.name == name) return &type;
  }
  return nullptr;
}

}  // namespace pkgtool
