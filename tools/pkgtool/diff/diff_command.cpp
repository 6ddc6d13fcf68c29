// `pkgtool diff OLD NEW`: what a new package of a product changes against the old one.
#include <cstdio>

#include "commands.h"
#include "diff/diff_report.h"
#include "flags.h"
#include "install/script_words.h"
#include "show.h"

namespace pkgtool {

namespace {

// One side of the comparison, opened; null with the reason told when it cannot be read.
std::unique_ptr<PackageView> OpenSide(const tool::Invocation& invocation, const std::string& file,
                                      const std::string& asName, DiffSide* side,
                                      std::string* script) {
  std::string error;
  auto view = PackageView::Open(file, asName, &error);
  if (view == nullptr) {
    tool::Fail(invocation.tool.name, tool::kExitUnreadableInput, error);
    return nullptr;
  }
  side->file = file;
  side->openedAs = view->name();
  const std::optional<std::string> text = ScriptText(*view);
  side->hasScript = text.has_value();
  *script = text.value_or("");
  // Most often the package was opened by another name than it was made for.
  if (!side->hasScript) {
    tool::Fail(invocation.tool.name, tool::kExitSuccess,
               "warning: " + file + " has no " + std::string(script_words::kScriptEntry) +
                   " entry when opened as '" + view->name() +
                   "' (--as names the file it is delivered as)");
  }
  return view;
}

}  // namespace

int RunDiff(const tool::Invocation& invocation) {
  tool::Flags flags({"--as", "--as-old", "--as-new"}, {"--json"});
  std::string error;
  if (!flags.Parse(invocation.args, &error)) return tool::UsageError(invocation, error);
  if (flags.arguments().size() != 2) {
    return tool::UsageError(invocation, "an old and a new package to compare");
  }
  const std::string both = flags.Value("--as").value_or("");
  PackageDiff diff;
  std::string oldScript;
  std::string newScript;
  auto before = OpenSide(invocation, flags.arguments()[0], flags.Value("--as-old").value_or(both),
                         &diff.before, &oldScript);
  if (before == nullptr) return tool::kExitUnreadableInput;
  auto after = OpenSide(invocation, flags.arguments()[1], flags.Value("--as-new").value_or(both),
                        &diff.after, &newScript);
  if (after == nullptr) return tool::kExitUnreadableInput;

  diff.entries = DiffEntries(before->package(), after->package());
  diff.script = DiffScripts(oldScript, newScript, &diff.scriptComplete);
  if (!diff.scriptComplete) {
    tool::Fail(invocation.tool.name, tool::kExitSuccess,
               "warning: a script could not be read whole; its differences are cut short");
  }
  const std::string report = flags.Has("--json") ? DiffJson(diff) : DiffText(diff);
  std::fwrite(report.data(), 1, report.size(), stdout);
  return tool::kExitSuccess;
}

}  // namespace pkgtool
