#include "try/try_report.h"

#include <algorithm>

#include "code_page.h"
#include "counted.h"
#include "json_writer.h"
#include "try/registry_value.h"

namespace pkgtool {

namespace {

std::string Utf8(const std::optional<std::u16string>& text) {
  return text ? emu::Utf16ToUtf8(*text) : "";
}

const char* KindName(FileChange::Kind kind) {
  switch (kind) {
    case FileChange::Kind::kCreated:
      return "created";
    case FileChange::Kind::kWritten:
      return "written";
    case FileChange::Kind::kDeleted:
      return "deleted";
  }
  return "";
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// One journal event as a report line.
std::string EventLine(const emu::JournalEvent& event) {
  if (event.process) {
    const emu::ProcessEvent& process = *event.process;
    std::string line = process.started ? "started  " : "FAILED   ";
    line += Utf8(process.application);
    if (process.commandLine && !process.commandLine->empty())
      line += "  " + Utf8(process.commandLine);
    if (!process.started) line += "  (the start failed: no such program)";
    return line;
  }
  const emu::MessageEvent& message = *event.message;
  std::string line = "message  ";
  if (message.name) {
    line += Quoted(Utf8(message.name)) + " (" + std::to_string(message.message) + ")";
  } else if (message.message == 0x0010) {
    line += "WM_CLOSE";
  } else {
    line += std::to_string(message.message);
  }
  line += message.hwnd == 0xFFFF ? " broadcast to all windows"
                                 : " to " + Quoted(Utf8(message.title)) + " (window " +
                                       std::to_string(message.hwnd) + ")";
  return line;
}

// "3 folders created, 2 files changed, ..." for the last line.
std::string SummaryLine(const TryResult& result) {
  std::size_t started = 0;
  std::size_t failed = 0;
  for (const emu::JournalEvent& event : result.events) {
    if (event.process) ++(event.process->started ? started : failed);
  }
  std::size_t values = 0;
  for (const KeyChange& key : result.changes.registry) values += key.values.size();
  std::size_t nested = 0;
  for (const NestedInstall& install : result.nested) nested += install.installed ? 1 : 0;
  using tool::Counted;
  std::string products;
  if (result.products.size() > 1) {
    const auto installed = std::count_if(result.products.begin(), result.products.end(),
                                         [](const TriedProduct& tried) {
                                           return tried.install.installed && tried.misnamed.empty();
                                         });
    products = std::to_string(installed) + " of " + Counted(result.products.size(), "product") +
               " installed, ";
  }
  return products + Counted(result.changes.foldersCreated.size(), "folder") + " created, " +
         Counted(result.changes.files.size(), "file") + " changed, " +
         Counted(values, "registry value") + " changed, " + Counted(started, "program") +
         " started, " + std::to_string(failed) + " failed, " +
         Counted(result.events.size() - started - failed, "message") + ", " +
         Counted(result.shortcuts.size(), "shortcut") + ", " + Counted(nested, "nested product") +
         " installed\n";
}

void Section(std::string& text, const std::string& title, const std::vector<std::string>& lines) {
  if (lines.empty()) return;
  text += title + "\n";
  for (const std::string& line : lines) text += "  " + line + "\n";
}

// The folders and files that changed, as JSON members.
void JsonFiles(JsonWriter& json, const DeviceChanges& changes) {
  json.Key("foldersCreated").BeginArray();
  for (const std::string& folder : changes.foldersCreated) json.String(folder);
  json.EndArray().Key("foldersDeleted").BeginArray();
  for (const std::string& folder : changes.foldersDeleted) json.String(folder);
  json.EndArray().Key("files").BeginArray();
  for (const FileChange& file : changes.files) {
    json.BeginObject().Key("change").String(KindName(file.kind)).Key("path").String(file.path);
    json.Key("size").Number(static_cast<std::int64_t>(file.size)).EndObject();
  }
  json.EndArray();
}

// The registry changes, key by key and as .reg text, as JSON members.
void JsonRegistry(JsonWriter& json, const std::vector<KeyChange>& registry) {
  json.Key("registry").BeginArray();
  for (const KeyChange& key : registry) {
    json.BeginObject().Key("key").String(key.key);
    json.Key("created").Bool(key.created).Key("deleted").Bool(key.deleted);
    json.Key("values").BeginArray();
    for (const ValueChange& value : key.values) {
      json.BeginObject().Key("line").String(value.line);
      if (ExportedValue now; ParseExportedValue(value.line, &now)) {
        json.Key("name").String(now.name);
        if (now.deleted) {
          json.Key("deleted").Bool(true);
        } else {
          WriteTypeAndData(json, now);
        }
      }
      if (!value.before.empty()) {
        json.Key("before").String(value.before);
        if (ExportedValue was; ParseExportedValue(value.before, &was) && !was.deleted) {
          json.Key("was").BeginObject();
          WriteTypeAndData(json, was);
          json.EndObject();
        }
      }
      json.EndObject();
    }
    json.EndArray().EndObject();
  }
  json.EndArray().Key("registryText").String(RegistryText(registry));
}

// One journal event as a JSON object.
void JsonEvent(JsonWriter& json, const emu::JournalEvent& event) {
  json.BeginObject();
  if (event.process) {
    const emu::ProcessEvent& process = *event.process;
    json.Key("kind").String("process").Key("application").String(Utf8(process.application));
    json.Key("commandLine").String(Utf8(process.commandLine));
    json.Key("started").Bool(process.started);
  } else {
    const emu::MessageEvent& message = *event.message;
    json.Key("kind").String("message").Key("hwnd").Number(message.hwnd);
    if (message.title) json.Key("title").String(Utf8(message.title));
    json.Key("message").Number(message.message);
    if (message.name) json.Key("name").String(Utf8(message.name));
    json.Key("wParam").Number(static_cast<std::int64_t>(message.wParam));
    json.Key("lParam").Number(message.lParam);
  }
  json.EndObject();
}

// How the installation of one product ended, as the account tells it.
std::string OutcomeText(const TriedProduct& tried) {
  if (!tried.accounted)
    return "NOT KNOWN to be installed: the updater's account does not tell of it";
  if (!tried.misnamed.empty()) return "NOTHING INSTALLED: " + tried.misnamed;
  if (tried.install.installed) return "installed";
  return "NOT INSTALLED: " + tried.install.note;
}

std::string NestedLine(const NestedInstall& install) {
  return std::string(static_cast<std::size_t>(install.depth - 1) * 2, ' ') + install.path + "  " +
         (install.installed ? "installed, " : "") + install.note;
}

// Each product with its outcome, the files it put in place, the programs it started
// and its nested products.
std::vector<std::string> ProductLines(const std::vector<TriedProduct>& products) {
  std::vector<std::string> lines;
  for (const TriedProduct& tried : products) {
    lines.push_back(tried.product + " as " + tried.deliveredAs + ": " + OutcomeText(tried));
    for (const PlacedFile& file : tried.install.placed)
      lines.push_back("  placed   " + file.target);
    for (const ProgramStart& start : tried.install.starts)
      lines.push_back((start.started ? "  started  " : "  FAILED   ") + start.program);
    for (const NestedInstall& install : tried.install.nested)
      lines.push_back("  nested   " + NestedLine(install));
  }
  return lines;
}

void JsonNested(JsonWriter& json, const std::vector<NestedInstall>& nested) {
  json.BeginArray();
  for (const NestedInstall& install : nested) {
    json.BeginObject().Key("path").String(install.path).Key("depth").Number(install.depth);
    json.Key("installed").Bool(install.installed).Key("note").String(install.note).EndObject();
  }
  json.EndArray();
}

void JsonProduct(JsonWriter& json, const TriedProduct& tried) {
  const ProductInstall& install = tried.install;
  json.BeginObject().Key("product").String(tried.product);
  json.Key("deliveredAs").String(tried.deliveredAs).Key("accounted").Bool(tried.accounted);
  json.Key("installed").Bool(install.installed).Key("outcome").String(install.outcome);
  json.Key("note").String(tried.accounted ? install.note : "");
  json.Key("keptForAnotherAttempt").Bool(tried.keptForAnotherAttempt);
  if (!tried.misnamed.empty()) json.Key("misnamed").String(tried.misnamed);
  json.Key("placed").BeginArray();
  for (const PlacedFile& file : install.placed) {
    json.BeginObject().Key("entry").String(file.entry).Key("target").String(file.target);
    json.EndObject();
  }
  json.EndArray().Key("starts").BeginArray();
  for (const ProgramStart& start : install.starts) {
    json.BeginObject().Key("program").String(start.program).Key("started").Bool(start.started);
    json.EndObject();
  }
  json.EndArray().Key("nestedProducts");
  JsonNested(json, install.nested);
  json.EndObject();
}

}  // namespace

std::string TryText(const TrySubject& subject, const TryResult& result) {
  const bool several = result.products.size() > 1;
  const std::string where =
      " on " + (subject.device.empty() ? "a fresh device" : "a copy of " + subject.device) + "\n";
  std::string text = "pkgtool try: ";
  if (several) {
    const std::string& first = result.deliveredAs;
    text += std::to_string(result.products.size()) + " products delivered into " +
            first.substr(0, first.rfind('\\')) + where;
  } else {
    text += result.products.front().product + " delivered as " + result.deliveredAs + where;
  }
  if (result.updaterExit != 0) {
    text += "the updater " +
            (result.updaterExit < 0 ? std::string("did not exit normally")
                                    : "exited with " + std::to_string(result.updaterExit)) +
            "\n";
  }
  if (!result.accountGiven) {
    text +=
        "the updater gave no account of its run: no nested product is known to have been "
        "installed\n";
  }
  if (!several && result.keptForAnotherAttempt) {
    text +=
        "NOT INSTALLED: the product's files could not all be put in place (a file that "
        "cannot be written or replaced, a full device); it was not started, its "
        "Install.After actions did not run, and the delivery is kept as " +
        result.deliveredAs + ".try1 for one more attempt\n";
  }
  if (several)
    Section(text, "products, in the order the updater took them", ProductLines(result.products));
  const DeviceChanges& changes = result.changes;
  Section(text, "folders created", changes.foldersCreated);
  Section(text, "folders deleted", changes.foldersDeleted);
  std::vector<std::string> files;
  for (const FileChange& file : changes.files) {
    files.push_back(std::string(KindName(file.kind)) + "  " + file.path + "  " +
                    tool::Counted(file.size, "byte"));
  }
  Section(text, "files", files);
  if (!changes.registry.empty()) {
    std::string registry = RegistryText(changes.registry);
    text += "registry\n";
    std::size_t start = 0;
    for (std::size_t end; (end = registry.find('\n', start)) != std::string::npos;
         start = end + 1) {
      text += "  " + registry.substr(start, end - start) + "\n";
    }
  }
  std::vector<std::string> events;
  for (const emu::JournalEvent& event : result.events) events.push_back(EventLine(event));
  Section(text, "programs and messages, in order", events);
  std::vector<std::string> shortcuts;
  for (const Shortcut& shortcut : result.shortcuts)
    shortcuts.push_back(shortcut.path + " -> " + shortcut.target);
  Section(text, "shortcuts", shortcuts);
  if (!several) {
    std::vector<std::string> nested;
    for (const NestedInstall& install : result.nested) nested.push_back(NestedLine(install));
    Section(text, "nested products", nested);
  }
  Section(text,
          "left in the delivery folder (a delivery the updater cannot expand is kept; one "
          "whose files were not all put in place is kept as NAME.gz.try1)",
          result.leftDelivered);

  text += SummaryLine(result);
  return text;
}

std::string TryJson(const TrySubject& subject, const TryResult& result) {
  JsonWriter json;
  json.BeginObject();
  if (result.products.size() == 1) {
    json.Key("product").String(result.products.front().product);
    json.Key("deliveredAs").String(result.deliveredAs);
  }
  json.Key("device").String(subject.device);
  json.Key("updaterExit").Number(result.updaterExit);
  json.Key("keptForAnotherAttempt").Bool(result.keptForAnotherAttempt);
  json.Key("accountGiven").Bool(result.accountGiven);
  JsonFiles(json, result.changes);
  JsonRegistry(json, result.changes.registry);
  json.Key("events").BeginArray();
  for (const emu::JournalEvent& event : result.events) JsonEvent(json, event);
  json.EndArray().Key("shortcuts").BeginArray();
  for (const Shortcut& shortcut : result.shortcuts) {
    json.BeginObject().Key("path").String(shortcut.path);
    json.Key("target").String(shortcut.target).EndObject();
  }
  json.EndArray().Key("nestedProducts");
  JsonNested(json, result.nested);
  json.Key("products").BeginArray();
  for (const TriedProduct& tried : result.products) JsonProduct(json, tried);
  json.EndArray().Key("leftDelivered").BeginArray();
  for (const std::string& left : result.leftDelivered) json.String(left);
  json.EndArray().EndObject();
  return json.text() + "\n";
}

}  // namespace pkgtool
