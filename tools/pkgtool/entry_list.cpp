#include "entry_list.h"

#include <cstdio>

#include "extract.h"
#include "json_writer.h"

namespace pkgtool {

std::string EntryListText(PackageView& view) {
  std::string text;
  char line[64];
  std::snprintf(line, sizeof line, "%12s  %-9s  ", "SIZE", "DATA");
  text += std::string(line) + "NAME\n";
  for (const System::IO::PackageEntry& entry : view.package().Entries()) {
    std::snprintf(line, sizeof line, "%12d  %-9s  ", entry.size,
                  entry.scrambled != 0 ? "scrambled" : "plain");
    text += line + HostText(entry.name) + "\n";
  }
  return text;
}

std::string EntryListJson(const std::string& file, PackageView& view) {
  JsonWriter json;
  json.BeginObject().Key("package").String(file).Key("openedAs").String(view.name());
  json.Key("entries").BeginArray();
  for (const System::IO::PackageEntry& entry : view.package().Entries()) {
    json.BeginObject()
        .Key("name")
        .String(HostText(entry.name))
        .Key("size")
        .Number(entry.size)
        .Key("scrambled")
        .Bool(entry.scrambled != 0)
        .EndObject();
  }
  json.EndArray().EndObject();
  return json.text() + "\n";
}

}  // namespace pkgtool
