#include "lint/package_lint.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>

#include "driver/install_product.h"
#include "install/script_words.h"
#include "lint/parsed_script.h"
#include "lint/script_lint.h"
#include "xml/xml_parser.h"

namespace pkgtool {

namespace words = script_words;

namespace {

Finding PackageFinding(Severity severity, std::string code, std::string message) {
  Finding finding;
  finding.severity = severity;
  finding.code = std::move(code);
  finding.message = std::move(message);
  return finding;
}

bool Readable(std::string_view name) {
  if (name.empty()) return false;
  return std::all_of(name.begin(), name.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 0x20 && byte != 0x7F && byte != 0x81 && byte != 0x8D && byte != 0x8F &&
           byte != 0x90 && byte != 0x9D;
  });
}

// Letter-case variants of the name the package was opened by: a package made for
// "Notes" and delivered as "notes.gz" is the common case of a wrong name.
std::vector<std::string> CaseVariants(const std::string& name) {
  std::string lower = name;
  std::string upper = name;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  std::string capitalised = lower;
  if (!capitalised.empty())
    capitalised[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(capitalised[0])));
  std::vector<std::string> variants;
  for (const std::string& variant : {capitalised, lower, upper}) {
    if (variant != name && std::find(variants.begin(), variants.end(), variant) == variants.end()) {
      variants.push_back(variant);
    }
  }
  return variants;
}

// The variant of the opening name under which an entry name decodes to the script's
// name; empty when none does.
std::string NameThatReads(System::IO::ResourcePackage& package, const std::string& openedAs) {
  unsigned char stored[256];
  for (int i = 0; i < 256; ++i)
    stored[package.substitutionTable()[i]] = static_cast<unsigned char>(i);
  for (const std::string& candidate : CaseVariants(openedAs)) {
    unsigned char table[256];
    System::IO::BuildSubstitutionTable(("\\" + candidate).c_str(), table);
    for (const System::IO::PackageEntry& entry : package.Entries()) {
      std::string name = entry.name;
      for (char& c : name) c = static_cast<char>(table[stored[static_cast<unsigned char>(c)]]);
      if (name == words::kScriptEntry) return candidate;
    }
  }
  return {};
}

void LintWithoutScript(PackageView& view, const std::vector<EntryInfo>& entries,
                       Findings& findings) {
  if (entries.empty()) {
    findings.Add(PackageFinding(
        Severity::kError, "empty-package",
        "the package has no entries, or it is damaged: the updater installs nothing"));
    return;
  }
  for (const EntryInfo& entry : entries) {
    if (SameIgnoringCase(entry.name, words::kScriptEntry)) {
      findings.Add(PackageFinding(Severity::kError, "wrong-case",
                                  "the entry '" + Display(entry.name) + "' is not '" +
                                      std::string(words::kScriptEntry) +
                                      "' (names are case-sensitive): the updater "
                                      "finds no script and installs nothing"));
      return;
    }
  }
  findings.Add(PackageFinding(Severity::kError, "no-script",
                              "the package has no " + std::string(words::kScriptEntry) +
                                  " entry: the updater installs nothing"));
  const auto unreadable = std::count_if(
      entries.begin(), entries.end(), [](const EntryInfo& entry) { return !Readable(entry.name); });
  if (unreadable * 2 < static_cast<std::ptrdiff_t>(entries.size())) return;
  std::string message = "the entry names do not read as text when the package is opened as '" +
                        view.name() + "': it was probably made for another file name";
  const std::string right = NameThatReads(view.package(), view.name());
  if (!right.empty())
    message += " ('" + right + "'; file names are told apart by letter case here)";
  findings.Add(PackageFinding(Severity::kError, "wrong-file-name", message));
}

Findings Lint(PackageView& view, int depth) {
  Findings findings;
  System::IO::ResourcePackage& package = view.package();
  std::vector<EntryInfo> entries;
  for (const System::IO::PackageEntry& entry : package.Entries()) {
    entries.push_back({entry.name, entry.scrambled != 0});
  }
  const System::IO::PackageEntry* script = package.FindEntry(words::kScriptEntry);
  if (script == nullptr) {
    LintWithoutScript(view, entries, findings);
    return findings;
  }
  if (script->size <= 0) {
    findings.Add(PackageFinding(
        Severity::kError, "empty-script",
        std::string(words::kScriptEntry) + " is empty: the updater installs nothing"));
    return findings;
  }
  if (script->size > kMaxInstallScriptSize) {
    findings.Add(PackageFinding(Severity::kError, "script-too-large",
                                std::string(words::kScriptEntry) + " is over " +
                                    std::to_string(kMaxInstallScriptSize >> 20) +
                                    " MiB: the updater does not read it and installs nothing"));
    return findings;
  }
  const AnsiString text = package.ReadEntry(words::kScriptEntry);
  const std::int64_t loaded = text.length + XmlParser::Measure(text).Bytes();
  if (loaded > static_cast<std::int64_t>(kMaxLoadedScriptBytes)) {
    findings.Add(PackageFinding(Severity::kError, "script-too-large",
                                std::string(words::kScriptEntry) + " would take " +
                                    std::to_string(loaded >> 20) +
                                    " MiB of memory once read, over the updater's " +
                                    std::to_string(kMaxLoadedScriptBytes >> 20) +
                                    " MiB: it is not read and nothing "
                                    "is installed"));
    return findings;
  }
  std::vector<NestedPackage> nested;
  LintScript(std::string(text.data, static_cast<std::size_t>(text.length)), entries, findings,
             &nested);
  for (const NestedPackage& product : nested) {
    if (depth + 1 >= words::kMaxNestedInstallations) break;
    std::string error;
    auto inner = view.OpenEntry(product.entryName, OpeningName(Display(product.fileName)), &error);
    if (inner == nullptr) {
      findings.Add(PackageFinding(
          Severity::kError, "nested-package",
          "the nested product '" + Display(product.fileName) + "' cannot be read: " + error));
      continue;
    }
    findings.AddNested(Display(product.fileName), Lint(*inner, depth + 1));
  }
  return findings;
}

}  // namespace

Findings LintPackage(PackageView& view) {
  Findings findings = Lint(view, 0);
  findings.Sort();
  return findings;
}

}  // namespace pkgtool
