#include "lint/package_lint.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "delivered_name.h"
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

void LintWithoutScript(PackageView& view, const std::vector<EntryInfo>& entries, bool nested,
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
  // A script scrambled under another name is there: "no script" would mislead.
  const DeliveredName delivered = CheckDeliveredName(view);
  if (delivered.fit != DeliveredName::Fit::kMadeForAnother) {
    findings.Add(PackageFinding(Severity::kError, "no-script",
                                "the package has no " + std::string(words::kScriptEntry) +
                                    " entry: the updater installs nothing"));
  }
  if (!delivered.decodes()) {
    findings.Add(PackageFinding(Severity::kError, "wrong-file-name",
                                delivered.Describe(view.name(), nested)));
  }
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
    LintWithoutScript(view, entries, depth > 0, findings);
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
