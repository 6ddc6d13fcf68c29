#include "lint/lint_report.h"

#include <filesystem>

#include "install/script_words.h"
#include "json_writer.h"

namespace pkgtool {

namespace {

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

std::string Counted(std::size_t count, const char* word) {
  return std::to_string(count) + " " + word + (count == 1 ? "" : "s");
}

}  // namespace

std::string LintText(const LintSubject& subject, const Findings& findings) {
  std::string text;
  for (const Finding& finding : findings.all()) {
    text += Place(subject, finding) + ": " + SeverityName(finding.severity) + ": " +
            finding.message + " [" + finding.code + "]\n";
    if (finding.line > 0) {
      text += "  " + finding.sourceLine + "\n  " + finding.caret + "\n";
    }
  }
  text += Counted(findings.Count(Severity::kError), "error") + ", " +
          Counted(findings.Count(Severity::kWarning), "warning") + ", " +
          Counted(findings.Count(Severity::kNote), "note") + "\n";
  return text;
}

std::string LintJson(const LintSubject& subject, const Findings& findings) {
  JsonWriter json;
  json.BeginObject()
      .Key("package")
      .String(subject.package)
      .Key("openedAs")
      .String(subject.openedAs);
  json.Key("findings").BeginArray();
  for (const Finding& finding : findings.all()) {
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
  json.EndArray();
  json.Key("errors").Number(static_cast<std::int64_t>(findings.Count(Severity::kError)));
  json.Key("warnings").Number(static_cast<std::int64_t>(findings.Count(Severity::kWarning)));
  json.Key("notes").Number(static_cast<std::int64_t>(findings.Count(Severity::kNote)));
  json.EndObject();
  return json.text() + "\n";
}

std::string LintUnreadableJson(const std::string& package, const std::string& reason) {
  JsonWriter json;
  json.BeginObject().Key("package").String(package).Key("unreadable").String(reason).EndObject();
  return json.text() + "\n";
}

}  // namespace pkgtool
