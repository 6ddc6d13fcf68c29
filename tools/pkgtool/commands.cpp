#include "commands.h"

#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "delivered_name.h"
#include "delivery_folder.h"
#include "entry_list.h"
#include "extract.h"
#include "flags.h"
#include "lint/lint_report.h"
#include "lint/package_lint.h"
#include "pack.h"
#include "package_view.h"
#include "progress_line.h"
#include "try/interrupt_signals.h"
#include "try/try_report.h"
#include "try/try_run.h"

namespace pkgtool {

namespace {

// Parses the flags of a command; on failure prints the usage error.
bool ParseFlags(const tool::Invocation& invocation, tool::Flags& flags, int* exitCode) {
  std::string error;
  if (flags.Parse(invocation.args, &error)) return true;
  *exitCode = tool::UsageError(invocation, error);
  return false;
}

// The command could not do its work, or found a problem.
bool IsDeviceFolder(const std::string& folder) {
  std::error_code failure;
  return std::filesystem::is_directory(std::filesystem::path(folder) / "fs", failure);
}

int Fail(const std::string& message) {
  return tool::Fail(kTool.name, tool::kExitProblemFound, message);
}
// An input cannot be read: missing, damaged, not a package.
int Unreadable(const std::string& message) {
  return tool::Fail(kTool.name, tool::kExitUnreadableInput, message);
}

}  // namespace

// The check of `pack --lint`: the finished package is linted under the name it is made
// for; its findings go to standard error, and errors refuse it unless `force`.
PackCheck LintCheck(const std::string& output, bool force) {
  return [output, force](const std::string& path, std::string* error) {
    auto view = PackageView::Open(path, OpeningName(output), error);
    if (view == nullptr) return false;
    const Findings findings = LintPackage(*view);
    if (!findings.all().empty()) {
      tool::EraseProgressLine();
      const std::string text = LintText({output, view->name()}, findings);
      std::fwrite(text.data(), 1, text.size(), stderr);
    }
    if (!findings.HasErrors() || force) return true;
    *error = output + ": not written, the package has errors (--force writes it all the same)";
    return false;
  };
}

int RunPack(const tool::Invocation& invocation) {
  tool::Flags flags({"-o", "--level"},
                    {"--scramble-data", "--allow-no-script", "--lint", "--force"});
  int exitCode = 0;
  if (!ParseFlags(invocation, flags, &exitCode)) return exitCode;
  if (flags.arguments().size() != 1) return tool::UsageError(invocation, "one folder to pack");
  const auto output = flags.Value("-o");
  if (!output || output->empty()) return tool::UsageError(invocation, "-o OUT is required");
  PackOptions options;
  options.scrambleData = flags.Has("--scramble-data");
  options.allowNoScript = flags.Has("--allow-no-script");
  if (flags.Has("--force") && !flags.Has("--lint")) {
    return tool::UsageError(invocation, "--force goes with --lint");
  }
  if (flags.Has("--lint")) options.check = LintCheck(*output, flags.Has("--force"));
  if (const auto level = flags.Value("--level")) {
    if (level->size() != 1 || (*level)[0] < '0' || (*level)[0] > '9') {
      return tool::UsageError(invocation, "--level takes a number from 0 to 9");
    }
    options.level = (*level)[0] - '0';
  }

  std::string error;
  std::vector<PackSource> sources;
  if (!CollectSources(flags.arguments().front(), &sources, &error)) return Unreadable(error);
  tool::ProgressLine progress(kTool.name, "packing");
  if (!WritePackage(
          sources, *output, options,
          [&](std::size_t done, std::size_t total, std::uint64_t bytes) {
            progress.Show(done, total, bytes);
          },
          &error)) {
    return Fail(error);
  }
  return 0;
}

int RunList(const tool::Invocation& invocation) {
  tool::Flags flags({"--as"}, {"--json"});
  int exitCode = 0;
  if (!ParseFlags(invocation, flags, &exitCode)) return exitCode;
  if (flags.arguments().size() != 1)
    return tool::UsageError(invocation, "one package file to list");
  const std::string& file = flags.arguments().front();
  std::string error;
  auto view = OpenDecoded(file, flags.Value("--as"), &error);
  if (view == nullptr) return Unreadable(error);
  const std::string list = flags.Has("--json") ? EntryListJson(file, *view) : EntryListText(*view);
  std::fwrite(list.data(), 1, list.size(), stdout);
  return 0;
}

int RunExtract(const tool::Invocation& invocation) {
  tool::Flags flags({"-C", "--as"}, {"--force"});
  int exitCode = 0;
  if (!ParseFlags(invocation, flags, &exitCode)) return exitCode;
  if (flags.arguments().size() != 1)
    return tool::UsageError(invocation, "one package file to extract");
  const auto folder = flags.Value("-C");
  if (!folder || folder->empty()) return tool::UsageError(invocation, "-C DIR is required");
  std::string error;
  auto view = OpenDecoded(flags.arguments().front(), flags.Value("--as"), &error);
  if (view == nullptr) return Unreadable(error);
  std::vector<std::string> warnings;
  bool extracted = false;
  {
    tool::ProgressLine progress(kTool.name, "extracting");
    extracted = ExtractAll(
        *view, *folder, flags.Has("--force"),
        [&](std::size_t done, std::size_t total, std::uint64_t bytes) {
          progress.Show(done, total, bytes);
        },
        &warnings, &error);
  }
  for (const std::string& warning : warnings) {
    tool::Fail(kTool.name, tool::kExitSuccess, "warning: " + warning);
  }
  return extracted ? 0 : Fail(error);
}

namespace {

// A package to lint: a package cut short or no package at all cannot be read, as for list.
std::unique_ptr<PackageView> OpenToLint(const std::string& file, const std::string& asName,
                                        std::string* error) {
  auto view = PackageView::Open(file, asName, error);
  if (view == nullptr || !view->Whole(error)) return nullptr;
  return view;
}

// Lints each of several packages; an unreadable one is told on standard error and
// reported, and the others are linted all the same.
int LintSeveral(const std::vector<std::string>& products, Severity shownFrom, bool json) {
  std::vector<LintedPackage> linted;
  bool unreadable = false;
  bool errors = false;
  for (const std::string& product : products) {
    LintedPackage package;
    package.subject.package = product;
    std::string error;
    if (auto view = OpenToLint(product, "", &error); view == nullptr) {
      Unreadable(error);
      package.unreadable = error;
      unreadable = true;
    } else {
      package.subject.openedAs = view->name();
      package.findings = LintPackage(*view);
      errors = errors || package.findings->HasErrors();
    }
    linted.push_back(std::move(package));
  }
  const std::string report = json ? LintJson(linted, shownFrom) : LintText(linted, shownFrom);
  std::fwrite(report.data(), 1, report.size(), stdout);
  if (unreadable) return tool::kExitUnreadableInput;
  return errors ? tool::kExitProblemFound : tool::kExitSuccess;
}

}  // namespace

int RunLint(const tool::Invocation& invocation) {
  tool::Flags flags({"--as", "--severity"}, {"--json"});
  int exitCode = 0;
  if (!ParseFlags(invocation, flags, &exitCode)) return exitCode;
  const std::vector<std::string>& arguments = flags.arguments();
  if (arguments.empty()) {
    return tool::UsageError(invocation, "packages or delivery folders to lint");
  }
  Severity shownFrom = Severity::kNote;
  if (const auto level = flags.Value("--severity"); level && !ParseSeverity(*level, &shownFrom)) {
    return tool::UsageError(invocation, "--severity takes error, warning or note");
  }
  const bool json = flags.Has("--json");
  if (arguments.size() > 1 || IsFolder(arguments.front())) {
    if (flags.Has("--as")) return tool::UsageError(invocation, "--as goes with one package");
    std::vector<std::string> products;
    std::string error;
    if (!ExpandProducts(arguments, &products, &error)) return Unreadable(error);
    return LintSeveral(products, shownFrom, json);
  }
  const std::string& file = arguments.front();
  std::string error;
  auto view = OpenToLint(file, flags.Value("--as").value_or(""), &error);
  if (view == nullptr) {
    if (json) {
      const std::string report = LintUnreadableJson(file, error);
      std::fwrite(report.data(), 1, report.size(), stdout);
    }
    return Unreadable(error);
  }
  const Findings findings = LintPackage(*view);
  const LintSubject subject{file, view->name()};
  const std::string report =
      json ? LintJson(subject, findings, shownFrom) : LintText(subject, findings, shownFrom);
  std::fwrite(report.data(), 1, report.size(), stdout);
  return findings.HasErrors() ? tool::kExitProblemFound : tool::kExitSuccess;
}

namespace {

// Tries the products of `options` and prints the report; returns the exit code.
int TryAndReport(const TryOptions& options, bool json) {
  std::string error;
  // A product whose names do not decode under its delivered name is installed all the
  // same, as a device would (the updater finds no script and installs nothing); the run
  // then counts as a problem found, with the reason.
  std::map<std::string, std::string> misnamed;  // product -> why
  for (const std::string& product : options.products) {
    auto view = PackageView::Open(product, options.asName, &error);
    if (view == nullptr || !view->Whole(&error)) return Unreadable(error);
    if (const DeliveredName delivered = CheckDeliveredName(*view); !delivered.decodes()) {
      misnamed[product] = delivered.Describe(view->name());
    }
  }
  if (!options.deviceCopy.empty() && !IsDeviceFolder(options.deviceCopy)) {
    return Unreadable(options.deviceCopy + ": not a device (it has no fs/ folder)");
  }
  // Two products delivered by one name is a mistake in what try is given.
  if (std::vector<std::string> names; !DeliveryNames(options, &names, &error)) {
    return tool::Fail(kTool.name, tool::kExitUsage, error);
  }
  TryResult result;
  if (!TryProducts(options, &result, &error)) return Fail(error);
  for (TriedProduct& tried : result.products) {
    if (const auto found = misnamed.find(tried.product); found != misnamed.end()) {
      tried.misnamed = found->second;
    }
  }
  const TrySubject subject{options.deviceCopy};
  const std::string report = json ? TryJson(subject, result) : TryText(subject, result);
  std::fwrite(report.data(), 1, report.size(), stdout);
  if (result.updaterExit != 0) return Fail("the updater did not finish normally");
  for (const auto& [product, why] : misnamed) Fail(product + ": " + why);
  return FoundProblem(result) || !misnamed.empty() ? tool::kExitProblemFound : tool::kExitSuccess;
}

}  // namespace

int RunTry(const tool::Invocation& invocation) {
  tool::Flags flags({"--device", "--as", "--updater", "--timeout"}, {"--json"});
  int exitCode = 0;
  if (!ParseFlags(invocation, flags, &exitCode)) return exitCode;
  const std::vector<std::string>& arguments = flags.arguments();
  if (arguments.empty()) {
    return tool::UsageError(invocation, "products or delivery folders to try");
  }
  const bool several = arguments.size() > 1 || IsFolder(arguments.front());
  if (several && flags.Has("--as")) {
    return tool::UsageError(invocation, "--as goes with one product");
  }
  TryOptions options;
  options.asName = flags.Value("--as").value_or("");
  options.deviceCopy = flags.Value("--device").value_or("");
  if (const auto timeout = flags.Value("--timeout")) {
    constexpr int kMaxTimeout = 24 * 60 * 60;
    const bool digits = !timeout->empty() && timeout->size() <= 5 &&
                        timeout->find_first_not_of("0123456789") == std::string::npos;
    options.timeoutSeconds = digits ? std::stoi(*timeout) : 0;
    if (options.timeoutSeconds < 1 || options.timeoutSeconds > kMaxTimeout) {
      return tool::UsageError(invocation, "--timeout takes a number of seconds from 1 to 86400");
    }
  }
  std::string error;
  options.updater = FindUpdater(flags.Value("--updater").value_or(""), &error);
  // No updater to run is a mistake in how pkgtool is called (--updater, PKGTOOL_UPDATER).
  if (options.updater.empty()) return tool::Fail(kTool.name, tool::kExitUsage, error);
  if (!ExpandProducts(arguments, &options.products, &error)) return Unreadable(error);
  {
    const InterruptSignals interrupts;
    exitCode = TryAndReport(options, flags.Has("--json"));
  }
  // Interrupted: the updater and the scratch devices are gone; end by that signal.
  InterruptSignals::Resend();
  return exitCode;
}

}  // namespace pkgtool
