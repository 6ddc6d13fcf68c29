// Element and attribute names: near misses of known names, and attributes nobody reads.
#include <algorithm>
#include <string_view>
#include <vector>

#include "install/script_words.h"
#include "lint/near_miss.h"
#include "lint/script_checks.h"

namespace pkgtool {

namespace words = script_words;

namespace {

// Pieces of a mistake that the syntax check reports: `x = "1"` and the like.
bool IsSyntaxDebris(std::string_view name) {
  return name.starts_with("=") || name.starts_with("\"") || name.starts_with("'");
}

// Element names outside Files and Actions, where the names of file entries and actions
// carry no meaning.
void CheckElementNames(ParsedScript& script, Findings& findings) {
  std::vector<XmlNode*> stack{&script.root()};
  while (!stack.empty()) {
    XmlNode* node = stack.back();
    stack.pop_back();
    if (node != &script.root()) {
      const std::string_view name = TextOf(node->name);
      if (!IsMarkup(*node)) {
        if (const auto near = Nearest(name, words::kElementNames)) {
          findings.Add(script.At(*node, Severity::kError, MissCode(near->miss),
                                 MissText(name, *near, "element") + ": it is ignored"));
        }
      }
      // Inside Files and Actions, also repeated ones, element names carry no meaning.
      if (name == words::kFiles || name == words::kActions) continue;
    }
    for (std::int32_t i = node->children.Count() - 1; i >= 0; --i)
      stack.push_back(node->children.ItemAt(i));
  }
}

void CheckInstallationAttributes(ParsedScript& script, Findings& findings) {
  XmlNode* installation = script.installation();
  if (installation == nullptr) return;
  constexpr std::string_view kChildren[] = {words::kAppPath, words::kExe};
  for (std::int32_t i = 0; i < installation->attributes.Count(); ++i) {
    const NameValuePair& attribute = *installation->attributes.ItemAt(i);
    const std::string_view name = TextOf(attribute.name);
    const auto near = Nearest(name, kChildren);
    const bool exact = name == words::kAppPath || name == words::kExe;
    if (!exact && !near) continue;
    const std::string child(exact ? name : near->known);
    findings.Add(script.At(attribute, Severity::kWarning, "ignored-attribute",
                           "Installation's attributes are not read: write <" + child + ">...</" +
                               child + "> inside Installation"));
  }
}

const std::vector<std::string_view>& AllActionAttributes() {
  static const std::vector<std::string_view> all = [] {
    std::vector<std::string_view> names(std::begin(words::kCommonActionAttributes),
                                        std::end(words::kCommonActionAttributes));
    for (const words::ActionType& type : words::kActionTypes) {
      for (const words::ActionAttribute& attribute : type.attributes) {
        if (std::find(names.begin(), names.end(), attribute.name) == names.end())
          names.push_back(attribute.name);
      }
    }
    return names;
  }();
  return all;
}

// The attributes that `element` (a file entry or an action) is read with.
std::vector<std::string_view> KnownAttributes(ParsedScript& script, XmlNode& element,
                                              std::string* reader) {
  if (script.IsFileEntry(element)) {
    *reader = "a file entry";
    return {std::begin(words::kFileEntryAttributes), std::end(words::kFileEntryAttributes)};
  }
  const char* typeName = element.GetAttribute(words::kType);
  const words::ActionType* type = typeName == nullptr ? nullptr : words::FindActionType(typeName);
  if (type == nullptr) {
    *reader = "any action";
    return AllActionAttributes();
  }
  *reader = std::string(type->name);
  std::vector<std::string_view> names(std::begin(words::kCommonActionAttributes),
                                      std::end(words::kCommonActionAttributes));
  for (const words::ActionAttribute& attribute : type->attributes) names.push_back(attribute.name);
  return names;
}

void CheckEntryAndActionAttributes(ParsedScript& script, Findings& findings) {
  for (XmlNode* section : {script.files(), script.actions()}) {
    if (section == nullptr) continue;
    for (std::int32_t i = 0; i < section->children.Count(); ++i) {
      XmlNode& element = *section->children.ItemAt(i);
      if (IsMarkup(element)) continue;
      std::string reader;
      const std::vector<std::string_view> known = KnownAttributes(script, element, &reader);
      std::vector<std::string_view> seen;
      for (std::int32_t a = 0; a < element.attributes.Count(); ++a) {
        const NameValuePair& attribute = *element.attributes.ItemAt(a);
        const std::string_view name = TextOf(attribute.name);
        if (IsSyntaxDebris(name)) continue;
        if (std::find(seen.begin(), seen.end(), name) != seen.end()) {
          findings.Add(script.At(
              attribute, Severity::kWarning, "duplicate-attribute",
              "attribute '" + Display(name) + "' is given twice: only the first is read"));
          continue;
        }
        seen.push_back(name);
        if (std::find(known.begin(), known.end(), name) != known.end()) continue;
        if (const auto near = Nearest(name, known)) {
          findings.Add(script.At(attribute, Severity::kError, MissCode(near->miss),
                                 MissText(name, *near, "attribute") + ": it is not read"));
        } else {
          findings.Add(script.At(attribute, Severity::kNote, "unknown-attribute",
                                 "attribute '" + Display(name) + "' is not read by " + reader));
        }
      }
    }
  }
}

}  // namespace

void CheckNames(ParsedScript& script, Findings& findings) {
  CheckElementNames(script, findings);
  CheckInstallationAttributes(script, findings);
  CheckEntryAndActionAttributes(script, findings);
}

}  // namespace pkgtool
