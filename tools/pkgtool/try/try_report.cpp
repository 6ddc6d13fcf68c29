#include "try/try_report.h"

#include "code_page.h"
#include "json_writer.h"

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
  const auto counted = [](std::size_t count, const char* what) {
    return std::to_string(count) + " " + what;
  };
  return counted(result.changes.foldersCreated.size(), "folders created, ") +
         counted(result.changes.files.size(), "files changed, ") +
         counted(values, "registry values changed, ") + counted(started, "programs started, ") +
         counted(failed, "failed, ") +
         counted(result.events.size() - started - failed, "messages, ") +
         counted(result.shortcuts.size(), "shortcuts, ") +
         counted(nested, "nested products installed") + "\n";
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
      if (!value.before.empty()) json.Key("before").String(value.before);
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

}  // namespace

std::string TryText(const TrySubject& subject, const TryResult& result) {
  std::string text =
      "pkgtool try: " + subject.product + " delivered as " + result.deliveredAs + " on " +
      (subject.device.empty() ? "a fresh device" : "a copy of " + subject.device) + "\n";
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
  if (result.keptForAnotherAttempt) {
    text +=
        "NOT INSTALLED: the product's files could not all be put in place (a file that "
        "cannot be written or replaced, a full device); it was not started, its "
        "Install.After actions did not run, and the delivery is kept as " +
        result.deliveredAs + ".try1 for one more attempt\n";
  }
  const DeviceChanges& changes = result.changes;
  Section(text, "folders created", changes.foldersCreated);
  Section(text, "folders deleted", changes.foldersDeleted);
  std::vector<std::string> files;
  for (const FileChange& file : changes.files) {
    files.push_back(std::string(KindName(file.kind)) + "  " + file.path + "  " +
                    std::to_string(file.size) + " bytes");
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
  std::vector<std::string> nested;
  for (const NestedInstall& install : result.nested) {
    nested.push_back(std::string(static_cast<std::size_t>(install.depth - 1) * 2, ' ') +
                     install.path + "  " + (install.installed ? "installed, " : "") + install.note);
  }
  Section(text, "nested products", nested);
  Section(text,
          "left in the delivery folder (a delivery the updater cannot expand is kept; one "
          "whose files were not all put in place is kept as NAME.gz.try1)",
          result.leftDelivered);

  text += SummaryLine(result);
  return text;
}

std::string TryJson(const TrySubject& subject, const TryResult& result) {
  JsonWriter json;
  json.BeginObject().Key("product").String(subject.product);
  json.Key("device").String(subject.device).Key("deliveredAs").String(result.deliveredAs);
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
  json.EndArray().Key("nestedProducts").BeginArray();
  for (const NestedInstall& install : result.nested) {
    json.BeginObject().Key("path").String(install.path).Key("depth").Number(install.depth);
    json.Key("installed").Bool(install.installed).Key("note").String(install.note).EndObject();
  }
  json.EndArray().Key("leftDelivered").BeginArray();
  for (const std::string& left : result.leftDelivered) json.String(left);
  json.EndArray().EndObject();
  return json.text() + "\n";
}

}  // namespace pkgtool
