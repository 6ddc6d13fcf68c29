#include "updater_fixture.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <map>

#include "code_page.h"
#include "device.h"
#include "journal.h"
#include "reg_file.h"
#include "testing/gzip_bytes.h"
#include "testing/run_program.h"
#include "window_list.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

// The fields of one journal line: a flat JSON object of texts, numbers and booleans.
// Texts come back unescaped (UTF-8), everything else as written.
std::map<std::string, std::string> Fields(const std::string& line) {
  std::map<std::string, std::string> fields;
  std::size_t i = 1;  // after "{"
  auto readText = [&]() {
    std::string text;
    for (++i; i < line.size() && line[i] != '"'; ++i) {
      if (line[i] != '\\') {
        text += line[i];
        continue;
      }
      const char escaped = line[++i];
      if (escaped == 'u') {
        const auto unit = static_cast<char16_t>(std::stoi(line.substr(i + 1, 4), nullptr, 16));
        text += emu::Utf16ToUtf8(std::u16string(1, unit));
        i += 4;
      } else {
        text += escaped == 'n' ? '\n' : escaped == 't' ? '\t' : escaped;
      }
    }
    ++i;  // the closing quote
    return text;
  };
  while (i < line.size() && line[i] == '"') {
    const std::string name = readText();
    ++i;  // ":"
    std::string value;
    if (line[i] == '"') {
      value = readText();
    } else {
      const std::size_t end = line.find_first_of(",}", i);
      value = line.substr(i, end - i);
      i = end;
    }
    fields[name] = value;
    if (line[i] == ',') ++i;
  }
  return fields;
}

std::string ShortEvent(const std::string& line) {
  std::map<std::string, std::string> fields = Fields(line);
  if (fields["kind"] == "process") {
    return (fields["started"] == "true" ? Started : Missing)(fields["application"],
                                                             fields["commandLine"]);
  }
  if (fields["hwnd"] == "65535") {
    return "broadcast " + (fields.count("name") != 0 ? fields["name"] : fields["message"]);
  }
  return "message " + fields["message"] + " to \"" + fields["title"] + "\"";
}

std::string CePathOf(std::u16string_view folder, const fs::path& relative) {
  std::string path = emu::Utf16ToUtf8(folder);
  if (path.empty() || path.back() != '\\') path += '\\';
  std::string rest = relative.generic_string();
  std::replace(rest.begin(), rest.end(), '/', '\\');
  return path + rest;
}

void Fail(const emu::Status& status) { ADD_FAILURE() << status.message(); }

}  // namespace

std::string Script(std::string_view appPath, std::string_view exe, std::string_view files,
                   std::string_view actions) {
  std::string script = "<?xml version=\"1.0\"?>\n<Installation>";
  if (!appPath.empty()) script += "<AppPath>" + std::string(appPath) + "</AppPath>";
  if (!exe.empty()) script += "<Exe>" + std::string(exe) + "</Exe>";
  script += "</Installation>\n";
  if (!files.empty()) script += "<Files>" + std::string(files) + "</Files>\n";
  if (!actions.empty()) script += "<Actions>" + std::string(actions) + "</Actions>\n";
  return script;
}

namespace {

std::string Action(std::string_view event, std::string_view type, std::string_view attributes) {
  std::string action = "<A event=\"" + std::string(event) + "\" type=\"" + std::string(type) + "\"";
  if (!attributes.empty()) action += " " + std::string(attributes);
  return action + "/>";
}

}  // namespace

std::string Before(std::string_view type, std::string_view attributes) {
  return Action("Install.Before", type, attributes);
}

std::string After(std::string_view type, std::string_view attributes) {
  return Action("Install.After", type, attributes);
}

std::string PackageBytes(std::string_view packageName, const Product& product) {
  std::vector<pkg::EntrySource> entries;
  if (!product.withoutScript) entries.push_back({"InstallScript.xml", product.script, false});
  entries.insert(entries.end(), product.files.begin(), product.files.end());
  return pkg::BuildPackage(packageName, entries);
}

std::string DeliveryBytes(std::string_view deliveredName, const Product& product) {
  const std::string_view packageName = deliveredName.substr(0, deliveredName.rfind('.'));
  return test::GzipBytes(PackageBytes(packageName, product));
}

void UpdaterTest::Deliver(std::u16string_view cePath, const Product& product) const {
  const std::string name = emu::Utf16ToAnsi(cePath.substr(cePath.rfind(u'\\') + 1));
  device_.WriteFile(cePath, DeliveryBytes(name, product));
}

void UpdaterTest::RunUpdater(const std::vector<std::string>& arguments) const {
  const test::ProgramResult result = test::RunProgram(
      UPDATER_PATH, arguments, {}, {"CE_DEVICE=" + device_.hostDir(), "CE_DEVICE_HOST_EXEC=0"});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err, "");
}

void UpdaterTest::InstallWithActions(std::string_view actions) const {
  Deliver(u"\\Temp\\Tool.gz",
          {Script("{ProgramFiles}\\Tool", "", R"(<File name="Tool.exe"/>)", actions),
           {{"Tool.exe", "tool", false}}});
  Unpack();
}

std::vector<std::string> UpdaterTest::Files(std::u16string_view cePath) const {
  return Below(cePath, false);
}

std::vector<std::string> UpdaterTest::Folders(std::u16string_view cePath) const {
  return Below(cePath, true);
}

std::vector<std::string> UpdaterTest::Below(std::u16string_view cePath, bool folders) const {
  std::vector<std::string> paths;
  const fs::path top = device_.HostPath(cePath);
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(top)) {
    if (entry.is_directory() == folders) {
      paths.push_back(CePathOf(cePath, entry.path().lexically_relative(top)));
    }
  }
  std::sort(paths.begin(), paths.end());
  return paths;
}

std::vector<std::string> UpdaterTest::Events() const {
  std::string lines;
  if (const emu::Status status = emu::ReadJournal(*emu::CurrentDevice(), &lines); !status.ok()) {
    Fail(status);
  }
  std::vector<std::string> events;
  for (std::size_t start = 0; start < lines.size();) {
    const std::size_t end = lines.find('\n', start);
    events.push_back(ShortEvent(lines.substr(start, end - start)));
    start = end == std::string::npos ? lines.size() : end + 1;
  }
  return events;
}

std::int64_t UpdaterTest::AddWindow(std::u16string_view title,
                                    std::u16string_view className) const {
  std::int64_t handle = 0;
  if (const emu::Status status = emu::AddWindow(*emu::CurrentDevice(), title, className, &handle);
      !status.ok()) {
    Fail(status);
  }
  return handle;
}

void UpdaterTest::ImportRegistry(std::string_view regText) const {
  if (const emu::Status status = emu::ImportRegistry(*emu::CurrentDevice(), regText);
      !status.ok()) {
    Fail(status);
  }
}

std::string UpdaterTest::ExportRegistry(std::u16string_view key) const {
  std::string text;
  const emu::Status status = emu::ExportRegistry(*emu::CurrentDevice(), key, &text);
  if (status.error() == ERROR_FILE_NOT_FOUND) return "no such key";
  if (!status.ok()) Fail(status);
  return text;
}

UpdaterTest::StoredValue UpdaterTest::ReadValue(HKEY root, std::u16string_view key,
                                                std::u16string_view valueName) const {
  const std::u16string keyPath(key);
  const std::u16string name(valueName);
  StoredValue value;
  HKEY opened = nullptr;
  if (RegOpenKeyExW(root, keyPath.c_str(), 0, 0, &opened) != ERROR_SUCCESS) return value;
  value.keyExists = true;
  DWORD size = 0;
  if (RegQueryValueExW(opened, name.c_str(), nullptr, &value.type, nullptr, &size) ==
      ERROR_SUCCESS) {
    value.exists = true;
    value.bytes.resize(size);
    RegQueryValueExW(opened, name.c_str(), nullptr, nullptr,
                     reinterpret_cast<BYTE*>(value.bytes.data()), &size);
    value.bytes.resize(size);
  }
  RegCloseKey(opened);
  return value;
}

std::string UpdaterTest::ValueBytes(HKEY root, std::u16string_view key,
                                    std::u16string_view valueName) const {
  return ReadValue(root, key, valueName).bytes;
}

std::string UpdaterTest::Value(HKEY root, std::u16string_view key,
                               std::u16string_view valueName) const {
  const StoredValue value = ReadValue(root, key, valueName);
  if (!value.keyExists) return "no key";
  if (!value.exists) return "missing";
  const DWORD type = value.type;
  const std::string& bytes = value.bytes;
  if (type == REG_DWORD && bytes.size() == 4) {
    std::int32_t number = 0;
    std::memcpy(&number, bytes.data(), 4);
    return "dword:" + std::to_string(number);
  }
  if (type == REG_SZ && bytes.size() % 2 == 0 && bytes.size() >= 2 &&
      bytes[bytes.size() - 1] == 0 && bytes[bytes.size() - 2] == 0) {
    std::u16string text(bytes.size() / 2 - 1, u'\0');
    std::memcpy(text.data(), bytes.data(), bytes.size() - 2);
    return "sz:\"" + emu::Utf16ToUtf8(text) + "\"";
  }
  return "type " + std::to_string(type) + ": " + std::to_string(bytes.size()) + " bytes";
}

}  // namespace e2e
