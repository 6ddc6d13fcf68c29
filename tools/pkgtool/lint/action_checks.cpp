// Actions: their events and types, the attributes a type needs, registry keys and
// numbers, and the macros in paths.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "install/registry.h"
#include "install/script_words.h"
#include "lint/near_miss.h"
#include "lint/script_checks.h"
#include "system/folder_macros.h"

namespace pkgtool {

namespace words = script_words;

namespace {

// The first attribute named exactly `name`, with or without a value; null when none.
// True when the element has `name` or an attribute whose name nearly is it (that
// mistake is reported by the name check).
bool HasAttributeOrNearMiss(XmlNode& element, std::string_view name) {
  const std::string_view wanted[] = {name};
  for (std::int32_t i = 0; i < element.attributes.Count(); ++i) {
    const std::string_view written = TextOf(element.attributes.ItemAt(i)->name);
    if (written == name || Nearest(written, wanted)) return true;
  }
  return false;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsDecimal(std::string_view text) {
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) text.remove_prefix(1);
  return !text.empty() && std::all_of(text.begin(), text.end(), IsDigit);
}

void CheckEvent(ParsedScript& script, XmlNode& action, Findings& findings) {
  const NameValuePair* event = FindAttribute(action, words::kEvent);
  if (event == nullptr) {
    if (!HasAttributeOrNearMiss(action, words::kEvent)) {
      findings.Add(script.At(action, Severity::kError, "no-event",
                             script.Describe(action) + " has no event, so it never runs"));
    }
    return;
  }
  if (event->value.data == nullptr) return;  // reported as attribute syntax
  const std::string_view value = TextOf(event->value);
  if (const auto near = Nearest(value, words::kEvents)) {
    findings.Add(script.At(*event, Severity::kError, MissCode(near->miss),
                           MissText(value, *near, words::kEvent) + ": this action never runs"));
  } else if (!words::IsOneOf(value, words::kEvents)) {
    findings.Add(
        script.At(*event, Severity::kError, "unknown-event",
                  "event '" + Display(value) +
                      "' is neither Install.Before nor Install.After: this action never runs"));
  }
}

// The type of the action when it is a known one; null otherwise (reported).
const words::ActionType* CheckType(ParsedScript& script, XmlNode& action, Findings& findings) {
  const NameValuePair* type = FindAttribute(action, words::kType);
  if (type == nullptr) {
    if (!HasAttributeOrNearMiss(action, words::kType)) {
      findings.Add(script.At(action, Severity::kError, "no-type",
                             script.Describe(action) + " has no type, so it does nothing"));
    }
    return nullptr;
  }
  if (type->value.data == nullptr) return nullptr;
  const std::string_view value = TextOf(type->value);
  if (const words::ActionType* known = words::FindActionType(value)) return known;
  std::vector<std::string_view> names;
  for (const words::ActionType& candidate : words::kActionTypes) names.push_back(candidate.name);
  if (const auto near = Nearest(value, names)) {
    findings.Add(script.At(*type, Severity::kError, MissCode(near->miss),
                           MissText(value, *near, "action type") + ": the action does nothing"));
  } else {
    findings.Add(
        script.At(*type, Severity::kError, "unknown-type",
                  "unknown action type '" + Display(value) + "': the action does nothing"));
  }
  return nullptr;
}

void CheckRequiredAttributes(ParsedScript& script, XmlNode& action, const words::ActionType& type,
                             Findings& findings) {
  for (const words::ActionAttribute& attribute : type.attributes) {
    if (attribute.need == words::Need::kOptional || HasAttributeOrNearMiss(action, attribute.name))
      continue;
    findings.Add(script.At(
        action, attribute.need == words::Need::kRequired ? Severity::kError : Severity::kWarning,
        "missing-attribute",
        std::string(type.name) + " without " + std::string(attribute.name) + ": " +
            std::string(attribute.whenMissing)));
  }
}

void CheckRegistryKey(ParsedScript& script, XmlNode& action, Findings& findings) {
  const NameValuePair* key = FindAttribute(action, words::kKey);
  if (key == nullptr || key->value.data == nullptr) return;
  const std::string_view value = TextOf(key->value);
  const std::string_view root = value.substr(0, 4);
  if (root == words::kLocalMachineRoot || root == words::kCurrentUserRoot) {
    if (value.size() <= 4) {
      findings.Add(script.At(
          *key, Severity::kError, "registry-key",
          "key '" + Display(value) + "' names no key below its root: nothing is written"));
    }
    return;
  }
  std::string message = "the key must begin with HKLM or HKCU";
  if (SameIgnoringCase(root, words::kLocalMachineRoot) ||
      SameIgnoringCase(root, words::kCurrentUserRoot)) {
    message = "the root '" + Display(root) + "' must be written in capitals";
  } else if (value.starts_with("HKEY_LOCAL_MACHINE") || value.starts_with("HKEY_CURRENT_USER")) {
    message = "write the root as HKLM or HKCU, not in full";
  }
  findings.Add(
      script.At(*key, Severity::kError, "registry-root", message + ": nothing is written"));
}

void CheckRegistryData(ParsedScript& script, XmlNode& action, Findings& findings) {
  const NameValuePair* dataType = FindAttribute(action, words::kDataType);
  if (dataType == nullptr || dataType->value.data == nullptr) return;
  const std::string_view type = TextOf(dataType->value);
  const std::string_view dword[] = {words::kDword};
  if (const auto near = Nearest(type, dword)) {
    findings.Add(script.At(*dataType, Severity::kError, MissCode(near->miss),
                           MissText(type, *near, "data type") + ": the value is written as text"));
    return;
  }
  if (type != words::kDword) return;
  const NameValuePair* value = FindAttribute(action, words::kValue);
  if (value == nullptr || value->value.data == nullptr) return;  // reported as missing
  const std::string_view number = TextOf(value->value);
  // The value is zero-terminated: it is the tree's text.
  const std::int64_t written = ParseDecimal(value->value.data);
  if (!IsDecimal(number)) {
    findings.Add(script.At(*value, Severity::kError, "dword-not-decimal",
                           "'" + Display(number) +
                               "' is not a decimal number: the updater writes " +
                               std::to_string(written)));
  } else if (written == INT32_MAX || written == INT32_MIN) {
    const std::int64_t exact = std::stoll(std::string(number.substr(0, 19)));
    if (exact != written) {
      findings.Add(script.At(*value, Severity::kWarning, "dword-out-of-range",
                             "'" + Display(number) +
                                 "' does not fit in 32 bits: the updater writes " +
                                 std::to_string(written)));
    }
  }
}

// A word between braces or percent signs: what may be meant as a macro.
struct MacroWord {
  char opener;            // '{' or '%'
  std::string_view word;  // between the two
  std::string written;    // with them
};

// The next macro word of `text` at or after `*from`; `*from` is moved past it.
std::optional<MacroWord> NextMacroWord(std::string_view text, std::size_t* from) {
  const auto isWordChar = [](char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || IsDigit(c) || c == '_' || c == ' ';
  };
  for (std::size_t open = *from; open < text.size(); ++open) {
    const char opener = text[open];
    if (opener != '{' && opener != '%') continue;
    const std::size_t close = text.find(opener == '{' ? '}' : '%', open + 1);
    if (close == std::string_view::npos || close == open + 1 || close - open > 32) continue;
    const std::string_view word = text.substr(open + 1, close - open - 1);
    if (!std::all_of(word.begin(), word.end(), isWordChar)) continue;
    *from = close + 1;
    return MacroWord{opener, word, std::string(text.substr(open, close - open + 1))};
  }
  *from = text.size();
  return std::nullopt;
}

// A known macro name between the other kind of bracket, or an unknown folder macro.
void CheckOtherBracket(ParsedScript& script, std::int32_t offset, const MacroWord& macro,
                       Findings& findings) {
  const std::string_view appPath[] = {words::kAppPath};
  const bool folder = macro.opener == '{';
  const std::optional<NearWord> other =
      folder ? Nearest(macro.word, appPath) : Nearest(macro.word, kFolderMacroNames);
  const bool otherExact =
      folder ? macro.word == words::kAppPath : words::IsOneOf(macro.word, kFolderMacroNames);
  if (otherExact || other) {
    const std::string known(otherExact ? macro.word : other->known);
    const std::string right = folder ? "%" + known + "%" : "{" + known + "}";
    findings.Add(
        script.At(offset, Severity::kError, "unknown-macro",
                  "'" + Display(macro.written) + "' is not a macro: write '" + right + "'"));
  } else if (folder) {
    findings.Add(script.At(offset, Severity::kWarning, "unknown-macro",
                           "'" + Display(macro.written) +
                               "' is not a folder macro ({ProgramFiles}, {Programs}, "
                               "{Windows}): it is kept as written"));
  }
}

// Macros in one text. `expanded`: the text goes through the path expansion;
// `appPathToo`: "%AppPath%" is replaced in it (everywhere but in AppPath itself).
void CheckMacros(ParsedScript& script, std::int32_t offset, std::string_view where,
                 std::string_view text, bool expanded, bool appPathToo, Findings& findings) {
  const std::string_view appPath[] = {words::kAppPath};
  std::size_t from = 0;
  while (const std::optional<MacroWord> macro = NextMacroWord(text, &from)) {
    const bool folder = macro->opener == '{';
    const std::optional<NearWord> near =
        folder ? Nearest(macro->word, kFolderMacroNames) : Nearest(macro->word, appPath);
    const bool exact =
        folder ? words::IsOneOf(macro->word, kFolderMacroNames) : macro->word == words::kAppPath;
    if (exact) {
      if (!expanded || (!folder && !appPathToo)) {
        findings.Add(script.At(offset, Severity::kNote, "macro-not-expanded",
                               "'" + macro->written + "' is not replaced in " + std::string(where) +
                                   ": it is kept as written"));
      }
    } else if (near && expanded) {
      const std::string known =
          folder ? "{" + std::string(near->known) + "}" : "%" + std::string(near->known) + "%";
      findings.Add(script.At(offset, Severity::kError, MissCode(near->miss),
                             "macro '" + Display(macro->written) + "' is not '" + known + "'" +
                                 (near->miss == Miss::kCase ? " (macros are case-sensitive)" : "") +
                                 ": it is kept as written"));
    } else if (expanded && !near) {
      CheckOtherBracket(script, offset, *macro, findings);
    }
  }
}

void CheckActionMacros(ParsedScript& script, XmlNode& action, const words::ActionType& type,
                       Findings& findings) {
  for (const words::ActionAttribute& known : type.attributes) {
    const NameValuePair* attribute = FindAttribute(action, known.name);
    if (attribute == nullptr || attribute->value.data == nullptr) continue;
    CheckMacros(script, script.OffsetOf(*attribute), known.name, TextOf(attribute->value),
                known.expanded, known.expanded, findings);
  }
}

void CheckInstallationMacros(ParsedScript& script, Findings& findings) {
  if (XmlNode* installation = script.installation()) {
    if (XmlNode* appPath = installation->children.FindChild(words::kAppPath)) {
      CheckMacros(script, script.OffsetOf(*appPath), words::kAppPath, TextOf(appPath->text), true,
                  false, findings);
    }
    if (XmlNode* exe = installation->children.FindChild(words::kExe)) {
      CheckMacros(script, script.OffsetOf(*exe), words::kExe, TextOf(exe->text), false, false,
                  findings);
    }
  }
  if (XmlNode* files = script.files()) {
    for (std::int32_t i = 0; i < files->children.Count(); ++i) {
      XmlNode& entry = *files->children.ItemAt(i);
      for (const char* name : {words::kDestination, words::kName}) {
        const NameValuePair* attribute = FindAttribute(entry, name);
        if (attribute == nullptr || attribute->value.data == nullptr) continue;
        CheckMacros(script, script.OffsetOf(*attribute), name, TextOf(attribute->value), true, true,
                    findings);
      }
    }
  }
}

}  // namespace

void CheckActions(ParsedScript& script, Findings& findings) {
  CheckInstallationMacros(script, findings);
  XmlNode* actions = script.actions();
  if (actions == nullptr) return;
  for (std::int32_t i = 0; i < actions->children.Count(); ++i) {
    XmlNode& action = *actions->children.ItemAt(i);
    if (IsMarkup(action)) continue;
    CheckEvent(script, action, findings);
    const words::ActionType* type = CheckType(script, action, findings);
    if (type == nullptr) continue;
    CheckRequiredAttributes(script, action, *type, findings);
    CheckActionMacros(script, action, *type, findings);
    if (type->name == words::kRegistryWriteValue) {
      CheckRegistryKey(script, action, findings);
      CheckRegistryData(script, action, findings);
    }
  }
}

}  // namespace pkgtool
