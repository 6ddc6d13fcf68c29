// File entries against the package, and what the script expects to find on the device.
#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <string_view>

#include "ce_path.h"
#include "code_page.h"
#include "install/script_words.h"
#include "lint/near_miss.h"
#include "lint/script_checks.h"
#include "package/resource_package.h"
#include "package/staging.h"
#include "system/path.h"

namespace pkgtool {

namespace words = script_words;

namespace {

struct Written {
  const EntryInfo* entry;
  XmlNode* fileEntry;
};

std::string Shown(std::u16string_view path) { return emu::Utf16ToUtf8(path); }

// The attribute that names the entry of `fileEntry`; null when it has none (reported
// here, or by the name check when another attribute nearly is it) or when it has no
// value (reported by the attribute syntax check).
const NameValuePair* NameAttribute(ParsedScript& script, XmlNode& fileEntry, Findings& findings) {
  const NameValuePair* attribute = FindAttribute(fileEntry, words::kName);
  if (attribute != nullptr && attribute->value.length > 0) return attribute;
  if (attribute != nullptr && attribute->value.data == nullptr) return nullptr;
  const std::string_view wanted[] = {words::kName};
  for (std::int32_t i = 0; attribute == nullptr && i < fileEntry.attributes.Count(); ++i) {
    if (Nearest(TextOf(fileEntry.attributes.ItemAt(i)->name), wanted)) return nullptr;
  }
  findings.Add(script.At(fileEntry, Severity::kWarning, "missing-attribute",
                         "file entry without a name: nothing is written"));
  return nullptr;
}

// Why `name` names no entry of the package, with its code.
Finding UnknownEntry(ParsedScript& script, const NameValuePair& attribute, std::string_view name,
                     const std::vector<EntryInfo>& entries) {
  std::string slashes(name);
  std::replace(slashes.begin(), slashes.end(), '/', '\\');
  if (name.size() > static_cast<std::size_t>(System::IO::kMaxEntryNameLength)) {
    return script.At(attribute, Severity::kError, "entry-name-too-long",
                     "the name is " + std::to_string(name.size()) +
                         " bytes long, and no package entry can be longer than " +
                         std::to_string(System::IO::kMaxEntryNameLength) + ": nothing is written");
  }
  if (slashes != name && std::any_of(entries.begin(), entries.end(),
                                     [&](const EntryInfo& e) { return e.name == slashes; })) {
    return script.At(attribute, Severity::kError, "unknown-entry",
                     "'" + Display(name) + "' names no entry; the package has '" +
                         Display(slashes) + "' (write backslashes): nothing is written");
  }
  std::vector<std::string_view> names;
  for (const EntryInfo& entry : entries) {
    if (entry.name != words::kScriptEntry) names.push_back(entry.name);
  }
  if (const auto near = Nearest(name, names)) {
    return script.At(attribute, Severity::kError, MissCode(near->miss),
                     "'" + Display(name) + "' names no entry, but the package has '" +
                         Display(near->known) + "'" +
                         (near->miss == Miss::kCase ? " (entry names are case-sensitive)" : "") +
                         ": nothing is written");
  }
  return script.At(attribute, Severity::kError, "unknown-entry",
                   "'" + Display(name) + "' names no entry of the package: nothing is written");
}

// The target of a file entry that the device cannot hold, or that the updater would
// take for one of its temporary files.
void CheckTarget(ParsedScript& script, XmlNode& fileEntry, const NameValuePair& attribute,
                 Findings& findings) {
  const std::u16string target = script.FileTarget(fileEntry);
  emu::CePath parsed;
  if (const emu::Status status = emu::ParseCePath(target, &parsed); !status.ok()) {
    findings.Add(script.At(attribute, Severity::kError, "unwritable-path",
                           "the device cannot hold the path '" + Shown(target) +
                               "': the product is not installed, since its files are put in "
                               "place only when every one of them can be written"));
  } else if (const String fileName = GetFileName(Wide(target)); IsStagingName(fileName.data)) {
    findings.Add(script.At(attribute, Severity::kError, "staging-name",
                           "'" + Shown(FromWide(fileName)) +
                               "' is named like the updater's temporary files (~upd<N>.tmp, "
                               "~<N>): the product is not installed"));
  }
}

// A byte of the entry name that is no character of the device code page.
void CheckNameBytes(ParsedScript& script, const NameValuePair& attribute, std::string_view name,
                    Findings& findings) {
  for (const char c : name) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (byte == 0x81 || byte == 0x8D || byte == 0x8F || byte == 0x90 || byte == 0x9D) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "0x%02X", byte);
      findings.Add(script.At(attribute, Severity::kError, "entry-name-charset",
                             std::string("the name holds the byte ") + hex +
                                 ", which is no character of the device code page (Windows-1252)"));
      return;
    }
  }
}

// Checks one file entry; returns the package entry it names, or null.
const EntryInfo* CheckFileEntry(ParsedScript& script, XmlNode& fileEntry,
                                const std::vector<EntryInfo>& entries, Findings& findings) {
  const NameValuePair* attribute = NameAttribute(script, fileEntry, findings);
  if (attribute == nullptr) return nullptr;
  const std::string_view name = TextOf(attribute->value);
  const auto found = std::find_if(entries.begin(), entries.end(),
                                  [&](const EntryInfo& entry) { return entry.name == name; });
  if (found == entries.end()) {
    findings.Add(UnknownEntry(script, *attribute, name, entries));
    return nullptr;
  }
  if (found->scrambled) {
    findings.Add(script.At(*attribute, Severity::kError, "scrambled-entry",
                           "the entry '" + Display(name) +
                               "' is stored scrambled, and the updater writes entries as stored: "
                               "the file is installed unreadable (pack without --scramble-data)"));
  }
  CheckTarget(script, fileEntry, *attribute, findings);
  CheckNameBytes(script, *attribute, name, findings);
  return &*found;
}

// A Product.Unpack that the run performs for `event`.
void CheckUnpack(ParsedScript& script, XmlNode& action, std::string_view event,
                 const std::map<std::u16string, Written>& written, Findings& findings,
                 std::vector<NestedPackage>* nested) {
  const char* type = action.GetAttribute(words::kType);
  const char* filename = action.GetAttribute(words::kFilename);
  if (type == nullptr || type != std::string_view(words::kProductUnpack) || filename == nullptr ||
      *filename == 0) {
    return;
  }
  const std::u16string path = script.ExpandPath(emu::AnsiToUtf16(filename));
  const auto found = written.find(CanonicalPath(path));
  const NameValuePair& at = *FindAttribute(action, words::kFilename);
  if (found == written.end()) {
    findings.Add(script.At(at, Severity::kNote, "unpack-not-in-package",
                           "'" + Shown(path) +
                               "' is not written by this package: it is installed only if the "
                               "device already has it"));
  } else if (event == words::kInstallBefore) {
    findings.Add(script.At(at, Severity::kWarning, "unpack-before-files",
                           "this runs before the Files pass writes '" + Shown(path) +
                               "': nothing is installed unless the device already has it"));
  } else if (!found->second.entry->scrambled) {
    const std::u16string fileName = FromWide(GetFileName(Wide(path)));
    nested->push_back({found->second.entry->name, emu::Utf16ToAnsi(fileName)});
  }
}

// The Product.Unpack actions in the order of the run; an action of no event never runs
// and is reported as such by the action checks.
void CheckUnpacks(ParsedScript& script, const std::map<std::u16string, Written>& written,
                  Findings& findings, std::vector<NestedPackage>* nested) {
  for (const char* event : {words::kInstallBefore, words::kInstallAfter}) {
    script.engine().ForEachAction(event, [&](XmlNode& action) {
      CheckUnpack(script, action, event, written, findings, nested);
    });
  }
}

void CheckExe(ParsedScript& script, const std::map<std::u16string, Written>& written,
              Findings& findings) {
  XmlNode* installation = script.installation();
  XmlNode* exe = installation == nullptr ? nullptr : installation->children.FindChild(words::kExe);
  if (exe == nullptr || exe->text.length == 0) return;
  const std::u16string program = script.ProgramPath();
  if (written.count(CanonicalPath(program)) != 0) return;
  findings.Add(script.At(
      *exe, Severity::kNote, "exe-not-in-package",
      "the product's executable '" + Shown(program) +
          "' is not written by this package: it starts only if the device already has it"));
}

void CheckPackageEntries(const std::vector<EntryInfo>& entries,
                         const std::set<std::string_view>& named, ParsedScript& script,
                         Findings& findings) {
  std::set<std::string_view> seen;
  for (const EntryInfo& entry : entries) {
    if (!seen.insert(entry.name).second) {
      findings.Add(script.At(-1, Severity::kWarning, "duplicate-entry",
                             "the package holds the entry '" + Display(entry.name) +
                                 "' more than once: the updater reads only the first"));
      continue;
    }
    if (entry.name == words::kScriptEntry || named.count(entry.name) != 0) continue;
    findings.Add(script.At(
        -1, Severity::kNote, "unused-entry",
        "no file entry names the entry '" + Display(entry.name) + "': it is never installed"));
  }
}

}  // namespace

void CheckEntries(ParsedScript& script, const std::vector<EntryInfo>& entries, Findings& findings,
                  std::vector<NestedPackage>* nested) {
  std::map<std::u16string, Written> written;
  std::set<std::string_view> named;
  if (XmlNode* files = script.files()) {
    for (std::int32_t i = 0; i < files->children.Count(); ++i) {
      XmlNode& fileEntry = *files->children.ItemAt(i);
      if (IsMarkup(fileEntry)) continue;
      // A section taken in by an unclosed Files is reported as such.
      if (fileEntry.children.Count() > 0 &&
          words::IsOneOf(TextOf(fileEntry.name), words::kSectionNames))
        continue;
      if (const char* name = fileEntry.GetAttribute(words::kName)) named.insert(name);
      if (const EntryInfo* entry = CheckFileEntry(script, fileEntry, entries, findings)) {
        written.emplace(CanonicalPath(script.FileTarget(fileEntry)), Written{entry, &fileEntry});
      }
    }
  }
  CheckPackageEntries(entries, named, script, findings);
  CheckUnpacks(script, written, findings, nested);
  CheckExe(script, written, findings);
}

void CheckEncoding(ParsedScript& script, Findings& findings) {
  const std::string& text = script.text();
  std::size_t i = text.starts_with("\xEF\xBB\xBF") ? 3 : 0;
  std::size_t first = std::string::npos;
  while (i < text.size()) {
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) {
      ++i;
      continue;
    }
    const std::size_t length = lead >= 0xF0 && lead <= 0xF4  ? 4
                               : lead >= 0xE0                ? 3
                               : lead >= 0xC2 && lead < 0xE0 ? 2
                                                             : 0;
    if (length == 0 || i + length > text.size()) return;  // not UTF-8: read as Windows-1252
    for (std::size_t k = 1; k < length; ++k) {
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return;
    }
    if (first == std::string::npos) first = i;
    i += length;
  }
  if (first == std::string::npos) return;
  std::size_t length = 1;
  while (first + length < text.size() &&
         (static_cast<unsigned char>(text[first + length]) & 0xC0) == 0x80)
    ++length;
  const std::string character = text.substr(first, length);
  findings.Add(script.At(static_cast<std::int32_t>(first), Severity::kWarning, "utf8-script",
                         "the script is UTF-8, but the updater reads each byte as one Windows-1252 "
                         "character: '" +
                             character + "' reads as '" + Display(character) +
                             "' (save the script as Windows-1252)"));
}

}  // namespace pkgtool
