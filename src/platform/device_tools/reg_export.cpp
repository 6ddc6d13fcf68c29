#include <cstdio>

#include "code_page.h"
#include "reg_file.h"
#include "registry_store.h"

namespace emu {
namespace {

using registry::KeyId;

std::string Quoted(std::u16string_view text) {
  std::string out = "\"";
  for (const char c : Utf16ToUtf8(text)) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out + '"';
}

// REG_SZ data that reads back exactly from a quoted text: UTF-16LE units ending in the
// one terminating zero, with no line break and no unpaired surrogate.
bool IsPlainString(const std::vector<BYTE>& data, std::u16string* text) {
  if (data.size() < 2 || data.size() % 2 != 0) return false;
  text->clear();
  for (std::size_t i = 0; i + 1 < data.size(); i += 2) {
    text->push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
  }
  if (text->back() != 0) return false;
  text->pop_back();
  if (text->find_first_of(std::u16string_view(u"\0\r\n", 3)) != std::u16string::npos) {
    return false;
  }
  return Utf8ToUtf16(Utf16ToUtf8(*text)) == *text;
}

// `prefix` and the bytes as regedit writes them, lines kept under 80 columns.
std::string HexData(std::string prefix, const std::vector<BYTE>& data) {
  std::string out;
  std::string line = std::move(prefix);
  for (std::size_t i = 0; i < data.size(); ++i) {
    char piece[4];
    std::snprintf(piece, sizeof piece, "%02x%s", data[i], i + 1 < data.size() ? "," : "");
    if (i > 0 && line.size() + 3 > 79) {
      out += line + "\\\n";
      line = "  ";
    }
    line += piece;
  }
  return out + line + "\n";
}

std::string ValueLine(const registry::Value& value) {
  const std::string name = value.name.empty() ? "@" : Quoted(value.name);
  std::u16string text;
  if (value.type == REG_SZ && IsPlainString(value.data, &text)) {
    return name + "=" + Quoted(text) + "\n";
  }
  if (value.type == REG_DWORD && value.data.size() == 4) {
    const DWORD word = value.data[0] | (value.data[1] << 8) | (value.data[2] << 16) |
                       (static_cast<DWORD>(value.data[3]) << 24);
    char digits[16];
    std::snprintf(digits, sizeof digits, "%08x", static_cast<unsigned>(word));
    return name + "=dword:" + digits + "\n";
  }
  if (value.type == REG_BINARY) return HexData(name + "=hex:", value.data);
  char type[24];
  std::snprintf(type, sizeof type, "=hex(%x):", static_cast<unsigned>(value.type));
  return HexData(name + type, value.data);
}

Status ExportKey(sql::Database& db, KeyId key, const std::u16string& path, bool isRoot,
                 std::string* out) {
  std::vector<registry::Value> values;
  if (Status status = registry::ListValues(db, key, &values); !status.ok()) return status;
  if (!isRoot || !values.empty()) {
    *out += "[" + Utf16ToUtf8(path) + "]\n";
    for (const registry::Value& value : values) *out += ValueLine(value);
    *out += "\n";
  }
  std::vector<registry::SubKey> subKeys;
  if (Status status = registry::ListSubKeys(db, key, &subKeys); !status.ok()) return status;
  for (const registry::SubKey& subKey : subKeys) {
    if (Status status = ExportKey(db, subKey.id, path + u"\\" + subKey.name, false, out);
        !status.ok()) {
      return status;
    }
  }
  return Status::Ok();
}

}  // namespace

Status ExportRegistry(Device& device, std::u16string_view key, std::string* text) {
  text->clear();
  std::string out = "Windows Registry Editor Version 5.00\n\n";
  const Status status = device.Read([&](sql::Database& db) {
    if (key.empty()) {
      for (KeyId root = registry::kClassesRoot; root <= registry::kUsers; ++root) {
        if (Status status =
                ExportKey(db, root, std::u16string(registry::RootName(root)), true, &out);
            !status.ok()) {
          return status;
        }
      }
      return Status::Ok();
    }
    std::vector<std::u16string> path = registry::SplitKeyPath(key);
    const KeyId root = path.empty() ? 0 : registry::RootByName(path.front());
    if (root == 0) {
      return Status::Error(ERROR_FILE_NOT_FOUND, "no such root: " + Utf16ToUtf8(key));
    }
    path.erase(path.begin());
    KeyId found = 0;
    if (Status status = registry::FindKey(db, root, path, &found); !status.ok()) {
      return Status::Error(status.error(), "no such key: " + Utf16ToUtf8(key));
    }
    std::u16string fullPath;
    if (Status status = registry::KeyPath(db, found, &fullPath); !status.ok()) return status;
    return ExportKey(db, found, fullPath, path.empty(), &out);
  });
  if (status.ok()) *text = std::move(out);
  return status;
}

}  // namespace emu
