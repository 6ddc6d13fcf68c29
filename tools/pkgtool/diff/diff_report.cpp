#include "diff/diff_report.h"

#include <algorithm>
#include <array>

#include "json_writer.h"

namespace pkgtool {

namespace {

// Quoted, with line breaks and tabs written as escapes so that a value stays on its line.
std::string Quote(const std::string& text) {
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '\n') {
      quoted += "\\n";
    } else if (c == '\r') {
      quoted += "\\r";
    } else if (c == '\t') {
      quoted += "\\t";
    } else {
      quoted += c;
    }
  }
  return quoted + "\"";
}

std::string Shown(const AttributeValue& value) {
  switch (value.state) {
    case AttributeValue::State::kAbsent:
      return "(none)";
    case AttributeValue::State::kWithoutValue:
      return "(no value)";
    case AttributeValue::State::kText:
      break;
  }
  return Quote(value.text);
}

std::string Shown(const std::optional<std::string>& text) { return text ? Quote(*text) : "(none)"; }

std::string Padded(Change change) {
  std::string word(ChangeName(change));
  word.resize(9, ' ');
  return word;
}

void AppendEntries(const EntryDiff& entries, std::string& text) {
  if (entries.changes.empty()) return;
  text += "entries\n";
  for (const EntryChange& entry : entries.changes) {
    text += "  " + Padded(entry.change) + entry.name + "  ";
    switch (entry.change) {
      case Change::kAdded:
        text += std::to_string(entry.newSize) + " bytes\n";
        break;
      case Change::kRemoved:
        text += std::to_string(entry.oldSize) + " bytes\n";
        break;
      case Change::kChanged:
        text +=
            entry.oldSize == entry.newSize
                ? std::to_string(entry.newSize) + " bytes, other content"
                : std::to_string(entry.oldSize) + " -> " + std::to_string(entry.newSize) + " bytes";
        // The updater installs a file entry as stored: its storage is its content.
        if (entry.oldScrambled != entry.newScrambled) {
          text += entry.newScrambled ? ", now stored scrambled" : ", now stored plain";
        }
        text += "\n";
        break;
    }
  }
}

void AppendScript(const std::vector<ElementChange>& changes, std::string& text) {
  if (changes.empty()) return;
  const std::string detail(13, ' ');
  text += "script\n";
  for (const ElementChange& element : changes) {
    text += "  " + Padded(element.change) + element.path + "\n";
    const bool changed = element.change == Change::kChanged;
    for (const AttributeChange& attribute : element.attributes) {
      if (attribute.inPath) continue;
      text += detail + attribute.name + ": ";
      if (changed) {
        text += Shown(attribute.before) + " -> " + Shown(attribute.after) + "\n";
      } else {
        text += Shown(element.change == Change::kAdded ? attribute.after : attribute.before) + "\n";
      }
    }
    if (element.textChanged) {
      text += detail + "text: ";
      if (changed) {
        text += Shown(element.oldText) + " -> " + Shown(element.newText) + "\n";
      } else {
        text += Shown(element.change == Change::kAdded ? element.newText : element.oldText) + "\n";
      }
    }
    if (element.reordered) text += detail + "its elements stand in another order\n";
  }
}

// Counts of added, removed and changed.
template <typename Item>
std::array<std::size_t, 3> Counts(const std::vector<Item>& items) {
  std::array<std::size_t, 3> counts{};
  for (const Item& item : items) ++counts[static_cast<std::size_t>(item.change)];
  return counts;
}

void AppendValue(JsonWriter& json, std::string_view key, const AttributeValue& value) {
  if (value.state == AttributeValue::State::kAbsent) return;
  json.Key(key);
  if (value.state == AttributeValue::State::kWithoutValue) {
    json.Null();
  } else {
    json.String(value.text);
  }
}

void AppendSide(JsonWriter& json, std::string_view key, const DiffSide& side) {
  json.Key(key).BeginObject();
  json.Key("package").String(side.file).Key("openedAs").String(side.openedAs);
  json.Key("hasScript").Bool(side.hasScript).EndObject();
}

}  // namespace

std::string DiffText(const PackageDiff& diff) {
  std::string text;
  AppendEntries(diff.entries, text);
  AppendScript(diff.script, text);
  const auto entries = Counts(diff.entries.changes);
  const auto elements = Counts(diff.script);
  text += "entries: " + std::to_string(entries[0]) + " added, " + std::to_string(entries[1]) +
          " removed, " + std::to_string(entries[2]) + " changed, " +
          std::to_string(diff.entries.unchanged) +
          " unchanged; script elements: " + std::to_string(elements[0]) + " added, " +
          std::to_string(elements[1]) + " removed, " + std::to_string(elements[2]) + " changed\n";
  return text;
}

std::string DiffJson(const PackageDiff& diff) {
  JsonWriter json;
  json.BeginObject();
  AppendSide(json, "old", diff.before);
  AppendSide(json, "new", diff.after);
  json.Key("entries").BeginArray();
  for (const EntryChange& entry : diff.entries.changes) {
    json.BeginObject().Key("change").String(ChangeName(entry.change));
    json.Key("name").String(entry.name);
    if (entry.change != Change::kAdded) json.Key("oldSize").Number(entry.oldSize);
    if (entry.change != Change::kRemoved) json.Key("newSize").Number(entry.newSize);
    if (entry.change != Change::kAdded) json.Key("oldScrambled").Bool(entry.oldScrambled);
    if (entry.change != Change::kRemoved) json.Key("newScrambled").Bool(entry.newScrambled);
    json.EndObject();
  }
  json.EndArray().Key("unchangedEntries").Number(static_cast<std::int64_t>(diff.entries.unchanged));
  json.Key("script").BeginArray();
  for (const ElementChange& element : diff.script) {
    json.BeginObject().Key("change").String(ChangeName(element.change));
    json.Key("path").String(element.path).Key("attributes").BeginArray();
    for (const AttributeChange& attribute : element.attributes) {
      json.BeginObject().Key("name").String(attribute.name);
      AppendValue(json, "before", attribute.before);
      AppendValue(json, "after", attribute.after);
      json.EndObject();
    }
    json.EndArray();
    if (element.textChanged) {
      json.Key("text").BeginObject();
      if (element.oldText) json.Key("before").String(*element.oldText);
      if (element.newText) json.Key("after").String(*element.newText);
      json.EndObject();
    }
    json.Key("reordered").Bool(element.reordered).EndObject();
  }
  json.EndArray().Key("scriptComplete").Bool(diff.scriptComplete).EndObject();
  return json.text() + "\n";
}

}  // namespace pkgtool
