// `pkgtool diff OLD NEW`: what a new package of a product changes against the old one.
#include <cstdio>

#include "commands.h"
#include "delivered_name.h"
#include "diff/diff_report.h"
#include "flags.h"
#include "show.h"

namespace pkgtool {

namespace {

// One side of the comparison, opened as list and extract open a package; null with the
// reason told when it cannot be read.
std::unique_ptr<PackageView> OpenSide(const tool::Invocation& invocation, const std::string& file,
                                      const std::optional<std::string>& asName, DiffSide* side,
                                      std::string* script) {
  std::string error;
  auto view = OpenDecoded(file, asName, &error);
  if (view == nullptr) {
    tool::Fail(invocation.tool.name, tool::kExitUnreadableInput, error);
    return nullptr;
  }
  side->file = file;
  side->openedAs = view->name();
  const std::optional<std::string> text = ScriptText(*view);
  side->hasScript = text.has_value();
  *script = text.value_or("");
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
  // The name each side is read as: its own option, else --as, else its file's name.
  const auto nameOf = [&](std::string_view option) {
    const std::optional<std::string> name = flags.Value(option);
    return name ? name : flags.Value("--as");
  };
  PackageDiff diff;
  std::string oldScript;
  std::string newScript;
  auto before =
      OpenSide(invocation, flags.arguments()[0], nameOf("--as-old"), &diff.before, &oldScript);
  if (before == nullptr) return tool::kExitUnreadableInput;
  auto after =
      OpenSide(invocation, flags.arguments()[1], nameOf("--as-new"), &diff.after, &newScript);
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
