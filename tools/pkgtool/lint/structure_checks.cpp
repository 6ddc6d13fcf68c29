// The shape of the document: its sections, and elements that stay open.
#include <algorithm>
#include <string_view>

#include "install/script_words.h"
#include "lint/script_checks.h"

namespace pkgtool {

namespace words = script_words;

namespace {

constexpr std::size_t kMaxListed = 5;

bool NameIs(const XmlNode& node, std::string_view name) {
  return node.name.data != nullptr && std::string_view(node.name.data, node.name.length) == name;
}

bool StartsWith(const XmlNode& node, std::string_view prefix) {
  return node.name.data != nullptr &&
         std::string_view(node.name.data, node.name.length).starts_with(prefix);
}

// "a", "b" and 3 more
std::string ListOf(const std::vector<std::string>& items) {
  std::string text;
  for (std::size_t i = 0; i < items.size() && i < kMaxListed; ++i) {
    if (i > 0) text += ", ";
    text += items[i];
  }
  if (items.size() > kMaxListed)
    text += " and " + std::to_string(items.size() - kMaxListed) + " more";
  return text;
}

std::string Counted(std::size_t count, const char* one, const char* many) {
  return count == 1 ? std::string("the ") + one : "the " + std::to_string(count) + " " + many;
}

// What an element that takes in its later siblings makes the updater lose: the file
// entries or actions among its descendants, or the AppPath and Exe of Installation.
std::string LostThrough(ParsedScript& script, XmlNode& open) {
  XmlNode* parent = open.parent;
  std::vector<std::string> lost;
  if (parent == script.files() || parent == script.actions()) {
    const bool files = parent == script.files();
    for (XmlNode* node : ElementsBelow(open)) {
      const char* label = node->GetAttribute(files ? words::kName : words::kType);
      std::string item = label != nullptr ? Display(label) : "<" + Display(node->name.data) + ">";
      if (files) {
        item = "\"" + item + "\"";
      } else if (const char* event = node->GetAttribute(words::kEvent)) {
        item += " (" + Display(event) + ")";
      }
      lost.push_back(item);
    }
    if (lost.empty()) return {};
    return files ? Counted(lost.size(), "file entry", "file entries") +
                       " after it, never installed: " + ListOf(lost)
                 : Counted(lost.size(), "action", "actions") +
                       " after it, which never run: " + ListOf(lost);
  }
  if (parent != nullptr && parent == script.installation()) {
    for (const char* name : {words::kAppPath, words::kExe}) {
      if (parent->children.FindChild(name) != nullptr) continue;
      for (XmlNode* node : ElementsBelow(open)) {
        if (NameIs(*node, name)) {
          lost.push_back(name);
          break;
        }
      }
    }
    if (lost.empty()) return {};
    return ListOf(lost) + ", which " + (lost.size() == 1 ? "is" : "are") +
           " then not read (only direct children of Installation count)";
  }
  return {};
}

void ReportOpen(ParsedScript& script, XmlNode& open, Findings& findings) {
  const bool comment = StartsWith(open, "!--");
  const bool declaration = !comment && (StartsWith(open, "!") || StartsWith(open, "?"));
  const std::string lost = LostThrough(script, open);
  if (comment || declaration) {
    const std::string what =
        comment ? "this comment is read as an element that stays open"
                : "<" + Display(open.name.data) + "> is read as an element that stays open";
    if (lost.empty()) {
      findings.Add(script.At(open, Severity::kNote, comment ? "open-comment" : "open-declaration",
                             what + " and takes in what follows it; nothing is lost here, "
                                    "since sections are found anywhere"));
    } else {
      findings.Add(script.At(open, Severity::kError, comment ? "open-comment" : "open-declaration",
                             what + " and takes in " + lost));
    }
    return;
  }
  if (lost.empty()) return;
  findings.Add(script.At(
      open, Severity::kError, "unclosed-element",
      script.Describe(open) + " is not closed (end it with \"/>\") and takes in " + lost));
}

// Elements that should hold no elements: comments, declarations, file entries, actions,
// and AppPath and Exe in Installation.
bool ShouldBeLeaf(ParsedScript& script, const XmlNode& node) {
  if (StartsWith(node, "!") || StartsWith(node, "?")) return true;
  // A section taken in by another is still found (see CheckSectionsInSections).
  for (const std::string_view name : words::kSectionNames) {
    if (NameIs(node, name)) return false;
  }
  if (script.IsFileEntry(node) || script.IsAction(node)) return true;
  return node.parent == script.installation() &&
         (NameIs(node, words::kAppPath) || NameIs(node, words::kExe));
}

void CheckOpenElements(ParsedScript& script, Findings& findings) {
  // Pre-order, not descending into an element already reported: what it took in is
  // named in its finding.
  std::vector<XmlNode*> stack{&script.root()};
  while (!stack.empty()) {
    XmlNode* node = stack.back();
    stack.pop_back();
    if (node != &script.root() && node->children.Count() > 0 && ShouldBeLeaf(script, *node)) {
      ReportOpen(script, *node, findings);
      continue;
    }
    for (std::int32_t i = node->children.Count() - 1; i >= 0; --i)
      stack.push_back(node->children.ItemAt(i));
  }
}

// A section that is not closed before the next one makes that one a file entry or an
// action of its own.
void CheckSectionsInSections(ParsedScript& script, Findings& findings) {
  for (XmlNode* section : {script.files(), script.actions()}) {
    if (section == nullptr) continue;
    for (std::int32_t i = 0; i < section->children.Count(); ++i) {
      XmlNode* child = section->children.ItemAt(i);
      // A section written there on purpose, as a file entry or action, holds nothing.
      if (child->children.Count() == 0) continue;
      for (const std::string_view name : words::kSectionNames) {
        if (!NameIs(*child, name)) continue;
        findings.Add(script.At(*child, Severity::kWarning, "unclosed-section",
                               "<" + Display(section->name.data) + "> is not closed before <" +
                                   std::string(name) + ">, which is therefore also read as " +
                                   (section == script.files() ? "a file entry" : "an action")));
      }
    }
  }
}

// A section the updater reads, and what a script without one gets.
struct Section {
  std::string_view name;
  XmlNode* used;
  Severity missing;
  const char* code;
  const char* consequence;
};

// Elements named like `section` other than the one the updater uses.
void CheckRepeatedSection(ParsedScript& script, const Section& section,
                          const std::vector<XmlNode*>& elements, Findings& findings) {
  const Finding first = script.At(*section.used, Severity::kNote, "", "");
  for (XmlNode* element : elements) {
    if (element == section.used || !NameIs(*element, section.name)) continue;
    // Directly in Files or Actions it is a file entry or an action (see above).
    if (script.IsFileEntry(*element) || script.IsAction(*element)) continue;
    findings.Add(script.At(
        *element, element->children.Count() > 0 ? Severity::kError : Severity::kWarning,
        "duplicate-section",
        "a second " + std::string(section.name) + " section is ignored: only the first, at line " +
            std::to_string(first.line) + ", is used"));
  }
}

// A second AppPath or Exe in the Installation that is used.
void CheckRepeatedChildren(ParsedScript& script, XmlNode& installation, Findings& findings) {
  for (const char* name : {words::kAppPath, words::kExe}) {
    bool seen = false;
    for (std::int32_t i = 0; i < installation.children.Count(); ++i) {
      XmlNode* child = installation.children.ItemAt(i);
      if (!NameIs(*child, name)) continue;
      if (seen) {
        findings.Add(
            script.At(*child, Severity::kWarning, "duplicate-element",
                      std::string("a second ") + name + " is ignored: only the first is read"));
      }
      seen = true;
    }
  }
}

void CheckSections(ParsedScript& script, Findings& findings) {
  const std::vector<XmlNode*> elements = ElementsBelow(script.root());
  const Section sections[] = {
      {words::kInstallation, script.installation(), Severity::kWarning, "no-installation",
       "the application folder is empty, so files without a destination go to the root "
       "folder, and no product is started"},
      {words::kFiles, script.files(), Severity::kWarning, "no-files",
       "the package installs no files"},
      {words::kActions, script.actions(), Severity::kNote, "no-actions",
       "nothing runs before or after the files"},
  };
  for (const Section& section : sections) {
    if (section.used != nullptr) {
      CheckRepeatedSection(script, section, elements, findings);
      continue;
    }
    findings.Add(script.At(-1, section.missing, section.code,
                           "no " + std::string(section.name) + " section: " + section.consequence));
  }
  if (XmlNode* installation = script.installation()) {
    CheckRepeatedChildren(script, *installation, findings);
  }
}

// AppPath and Exe anywhere but directly in the Installation that is used, unless an open
// element took them in (reported there).
void CheckMisplaced(ParsedScript& script, Findings& findings) {
  std::vector<std::pair<XmlNode*, bool>> stack{{&script.root(), false}};
  while (!stack.empty()) {
    const auto [node, taken] = stack.back();
    stack.pop_back();
    // In a second Installation they are reported with that section.
    const bool inInstallation =
        node->parent != nullptr && NameIs(*node->parent, words::kInstallation);
    if (!taken && !inInstallation &&
        (NameIs(*node, words::kAppPath) || NameIs(*node, words::kExe))) {
      findings.Add(script.At(*node, Severity::kWarning, "misplaced",
                             "<" + Display(node->name.data) +
                                 "> is read only as a direct child of the first "
                                 "Installation section; here it is ignored"));
    }
    const bool childrenTaken = taken || (node != &script.root() && node->children.Count() > 0 &&
                                         ShouldBeLeaf(script, *node));
    for (std::int32_t i = node->children.Count() - 1; i >= 0; --i) {
      stack.emplace_back(node->children.ItemAt(i), childrenTaken);
    }
  }
}

}  // namespace

void CheckStructure(ParsedScript& script, Findings& findings) {
  CheckSections(script, findings);
  CheckOpenElements(script, findings);
  CheckSectionsInSections(script, findings);
  CheckMisplaced(script, findings);
}

}  // namespace pkgtool
