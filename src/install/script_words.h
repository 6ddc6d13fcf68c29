// The words of an install script as the updater reads them: the package entry that
// holds the script, its sections and elements, the attributes of file entries and
// actions, the events, the action types with the attributes each reads, the product's
// start arguments and how deep installations nest. The updater compares every word
// exactly and case-sensitively. The engine's dispatch table and pkgtool's lint and try
// read this table; nothing else spells these words.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace script_words {

// The package entry of the script.
inline constexpr char kScriptEntry[] = "InstallScript.xml";

// Sections, found anywhere in the document (the first of each name).
inline constexpr char kInstallation[] = "Installation";
inline constexpr char kFiles[] = "Files";
inline constexpr char kActions[] = "Actions";
// The direct children of Installation that are read.
inline constexpr char kAppPath[] = "AppPath";
inline constexpr char kExe[] = "Exe";
inline constexpr std::string_view kSectionNames[] = {kInstallation, kFiles, kActions};
inline constexpr std::string_view kElementNames[] = {kInstallation, kAppPath, kExe, kFiles,
                                                     kActions};

// "%AppPath%": replaced by the application folder in the paths of file entries and
// actions.
inline constexpr char kAppPathMacro[] = "%AppPath%";

// The attributes of a file entry.
inline constexpr char kName[] = "name";
inline constexpr char kDestination[] = "destination";
inline constexpr std::string_view kFileEntryAttributes[] = {kName, kDestination};

// The attributes of every action, and the events.
inline constexpr char kEvent[] = "event";
inline constexpr char kType[] = "type";
inline constexpr std::string_view kCommonActionAttributes[] = {kEvent, kType};
inline constexpr char kInstallBefore[] = "Install.Before";
inline constexpr char kInstallAfter[] = "Install.After";
inline constexpr std::string_view kEvents[] = {kInstallBefore, kInstallAfter};

// The action types.
inline constexpr char kAppRun[] = "App.Run";
inline constexpr char kAppClose[] = "App.Close";
inline constexpr char kAppCloseAll[] = "App.CloseAllKelmoraApps";
inline constexpr char kProductRun[] = "Product.Run";
inline constexpr char kShortcutCreate[] = "Shortcut.Create";
inline constexpr char kRegistryWriteValue[] = "Registry.WriteValue";
inline constexpr char kProductUnpack[] = "Product.Unpack";

// The attributes of the action types.
inline constexpr char kTarget[] = "target";
inline constexpr char kArgs[] = "args";
inline constexpr char kWindowTitle[] = "windowTitle";
inline constexpr char kId[] = "id";
inline constexpr char kVersion[] = "version";
inline constexpr char kShortcutFilename[] = "shortcutFilename";
inline constexpr char kKey[] = "key";
inline constexpr char kValueName[] = "valueName";
inline constexpr char kDataType[] = "dataType";
inline constexpr char kValue[] = "value";
inline constexpr char kFilename[] = "filename";

// Values that Registry.WriteValue tells apart: its two roots (the first four characters
// of `key`) and its one data type besides text.
inline constexpr char kLocalMachineRoot[] = "HKLM";
inline constexpr char kCurrentUserRoot[] = "HKCU";
inline constexpr char kDword[] = "dword";

// The command line the product's executable is started with after its files.
inline constexpr char kFirstRunArguments[] = "-firstRun -zandrel";

// A product that delivers and unpacks another, which does the same, and so on, would
// exhaust the stack: an unpack that would start a deeper level does nothing.
inline constexpr int kMaxNestedInstallations = 16;

enum class Need : std::uint8_t {
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

namespace detail {
inline constexpr ActionAttribute kAppRunReads[] = {
    {kTarget, Need::kRequired, true, "the start of an empty path fails"},
    {kArgs, Need::kOptional, false}};
inline constexpr ActionAttribute kAppCloseReads[] = {
    {kWindowTitle, Need::kExpected, false, "a window with an empty title is closed"}};
inline constexpr ActionAttribute kProductRunReads[] = {
    {kId, Need::kRequired, false, "the record of an empty product id is looked up"},
    {kVersion, Need::kOptional, false}};
inline constexpr ActionAttribute kShortcutCreateReads[] = {
    {kTarget, Need::kRequired, true, "no shortcut is made"},
    {kShortcutFilename, Need::kRequired, true, "no shortcut is made"}};
inline constexpr ActionAttribute kRegistryWriteValueReads[] = {
    {kKey, Need::kRequired, false, "nothing is written"},
    {kValueName, Need::kOptional, false},
    {kDataType, Need::kOptional, false},
    {kValue, Need::kExpected, false, "an empty text (or 0 for \"dword\") is written"}};
inline constexpr ActionAttribute kProductUnpackReads[] = {
    {kFilename, Need::kRequired, true, "nothing is installed"}};
}  // namespace detail

// In the order the updater compares them.
inline constexpr ActionType kActionTypes[] = {
    {kAppRun, detail::kAppRunReads},
    {kAppClose, detail::kAppCloseReads},
    {kAppCloseAll, {}},
    {kProductRun, detail::kProductRunReads},
    {kShortcutCreate, detail::kShortcutCreateReads},
    {kRegistryWriteValue, detail::kRegistryWriteValueReads},
    {kProductUnpack, detail::kProductUnpackReads},
};

// True when `word` is one of `words`.
constexpr bool IsOneOf(std::string_view word, std::span<const std::string_view> words) {
  for (const std::string_view candidate : words) {
    if (candidate == word) return true;
  }
  return false;
}

// The action type named exactly `name`; null when there is none.
constexpr const ActionType* FindActionType(std::string_view name) {
  for (const ActionType& type : kActionTypes) {
    if (type.name == name) return &type;
  }
  return nullptr;
}

}  // namespace script_words
