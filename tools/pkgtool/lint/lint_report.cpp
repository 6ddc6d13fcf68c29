#include "lint/lint_report.h"

#include <array>
#include <filesystem>

#include "counted.h"
#include "install/script_words.h"
#include "json_writer.h"

namespace pkgtool {

namespace {

constexpr std::array kLevels{Severity::kError, Severity::kWarning, Severity::kNote};

bool Shown(Severity severity, Severity shownFrom) {
  return static_cast<int>(severity) <= static_cast<int>(shownFrom);
}

// The findings shown, counted by level.
struct Counts {
  std::array<std::size_t, kLevels.size()> of{};

  void Add(const Findings& findings, Severity shownFrom) {
    for (const Finding& finding : findings.all()) {
      if (Shown(finding.severity, shownFrom)) ++of[static_cast<std::size_t>(finding.severity)];
    }
  }
};

std::string Place(const LintSubject& subject, const Finding& finding) {
  std::string place;
  for (const std::string& product : finding.within) place += product + " > ";
  if (finding.line > 0) {
    return place + std::string(script_words::kScriptEntry) + ":" + std::to_string(finding.line) +
           ":" + std::to_string(finding.column);
  }
  if (!place.empty()) return place.substr(0, place.size() - 3);
  return std::filesystem::path(subject.package).filename().string();
}

// "1 error, 0 warnings, 2 notes", the levels shown only.
std::string CountLine(const Counts& counts, Severity shownFrom) {
  std::string line;
  for (const Severity level : kLevels) {
    if (!Shown(level, shownFrom)) continue;
    const std::size_t count = counts.of[static_cast<std::size_t>(level)];
    line += (line.empty() ? "" : ", ") + tool::Counted(count, std::string(SeverityName(level)));
  }
  return line;
}

// "errors": N and the like, the levels shown only.
void CountMembers(JsonWriter& json, const Counts& counts, Severity shownFrom) {
  for (const Severity level : kLevels) {
    if (!Shown(level, shownFrom)) continue;
    json.Key(std::string(SeverityName(level)) + "s")
        .Number(static_cast<std::int64_t>(counts.of[static_cast<std::size_t>(level)]));
  }
}

void WriteFinding(JsonWriter& json, const Finding& finding) {
  json.BeginObject();
  json.Key("severity").String(SeverityName(finding.severity));
  json.Key("code").String(finding.code).Key("message").String(finding.message);
  if (finding.line > 0) {
    json.Key("file")
        .String(script_words::kScriptEntry)
        .Key("line")
        .Number(finding.line)
        .Key("column")
        .Number(finding.column);
  }
  if (!finding.within.empty()) {
    json.Key("within").BeginArray();
    for (const std::string& product : finding.within) json.String(product);
    json.EndArray();
  }
  json.EndObject();
}

void WritePackage(JsonWriter& json, const LintSubject& subject, const Findings& findings,
                  Severity shownFrom) {
  json.BeginObject()
      .Key("package")
      .String(subject.package)
      .Key("openedAs")
      .String(subject.openedAs);
  json.Key("findings").BeginArray();
  for (const Finding& finding : findings.all()) {
    if (Shown(finding.severity, shownFrom)) WriteFinding(json, finding);
  }
  json.EndArray();
  Counts counts;
  counts.Add(findings, shownFrom);
  CountMembers(json, counts, shownFrom);
  json.EndObject();
}

void WriteUnreadable(JsonWriter& json, const std::string& package, const std::string& reason) {
  json.BeginObject().Key("package").String(package).Key("unreadable").String(reason).EndObject();
}

}  // namespace

bool ParseSeverity(const std::string& name, Severity* severity) {
  for (const Severity level : kLevels) {
    if (name == SeverityName(level)) {
      *severity = level;
      return true;
    }
  }
  return false;
}

std::string LintText(const LintSubject& subject, const Findings& findings, Severity shownFrom) {
  std::string text;
  for (const Finding& finding : findings.all()) {
    if (!Shown(finding.severity, shownFrom)) continue;
    text += Place(subject, finding) + ": " + SeverityName(finding.severity) + ": " +
            finding.message + " [" + finding.code + "]\n";
    if (finding.line > 0) {
      text += "  " + finding.sourceLine + "\n  " + finding.caret + "\n";
    }
  }
  Counts counts;
  counts.Add(findings, shownFrom);
  return text + CountLine(counts, shownFrom) + "\n";
}

std::string LintJson(const LintSubject& subject, const Findings& findings, Severity shownFrom) {
  JsonWriter json;
  WritePackage(json, subject, findings, shownFrom);
  return json.text() + "\n";
}

std::string LintUnreadableJson(const std::string& package, const std::string& reason) {
  JsonWriter json;
  WriteUnreadable(json, package, reason);
  return json.text() + "\n";
}

std::string LintText(const std::vector<LintedPackage>& packages, Severity shownFrom) {
  std::string text;
  Counts counts;
  std::size_t unreadable = 0;
  for (const LintedPackage& package : packages) {
    text += "== " + package.subject.package + "\n";
    if (!package.findings) {
      text += "unreadable: " + package.unreadable + "\n";
      ++unreadable;
      continue;
    }
    text += LintText(package.subject, *package.findings, shownFrom);
    counts.Add(*package.findings, shownFrom);
  }
  text += "total: " + tool::Counted(packages.size(), "package");
  if (unreadable > 0) text += ", " + std::to_string(unreadable) + " unreadable";
  return text + ": " + CountLine(counts, shownFrom) + "\n";
}

std::string LintJson(const std::vector<LintedPackage>& packages, Severity shownFrom) {
  JsonWriter json;
  json.BeginObject().Key("packages").BeginArray();
  Counts counts;
  std::int64_t unreadable = 0;
  for (const LintedPackage& package : packages) {
    if (!package.findings) {
      WriteUnreadable(json, package.subject.package, package.unreadable);
      ++unreadable;
      continue;
    }
    WritePackage(json, package.subject, *package.findings, shownFrom);
    counts.Add(*package.findings, shownFrom);
  }
  json.EndArray();
  CountMembers(json, counts, shownFrom);
  json.Key("unreadable").Number(unreadable).EndObject();
  return json.text() + "\n";
}

}  // namespace pkgtool
