#include <optional>
#include <string>
#include <vector>

#include "code_page.h"
#include "reg_file.h"
#include "registry_store.h"

namespace emu {
namespace {

using registry::KeyId;

struct Operation {
  enum class Kind { kDeleteKey, kOpenKey, kSetValue, kDeleteValue };
  Kind kind = Kind::kOpenKey;
  KeyId root = 0;
  std::vector<std::u16string> path;  // for the key operations
  std::u16string name;               // for the value operations
  DWORD type = REG_NONE;
  std::vector<BYTE> data;
};

bool IsValidUtf8(std::string_view bytes) {
  return Utf16ToUtf8(Utf8ToUtf16(bytes)) == bytes &&
         bytes.find("\xEF\xBF\xBD") == std::string_view::npos;
}

std::u16string Decode(std::string_view bytes) {
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    std::u16string text;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
      text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                           (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    }
    return text;
  }
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  return IsValidUtf8(bytes) ? Utf8ToUtf16(bytes) : AnsiToUtf16(bytes);
}

std::vector<std::u16string> SplitLines(std::u16string_view text) {
  std::vector<std::u16string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find(u'\n', start);
    if (end == std::u16string_view::npos) end = text.size();
    std::u16string line(text.substr(start, end - start));
    if (!line.empty() && line.back() == u'\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

bool IsSpace(char16_t c) { return c == u' ' || c == u'\t'; }

std::u16string_view Trim(std::u16string_view text) {
  while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
  return text;
}

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// Reads 1 to `maxDigits` hex digits; false when there are none or too many.
bool ParseHexNumber(std::u16string_view text, std::size_t maxDigits, DWORD* value) {
  if (text.empty() || text.size() > maxDigits) return false;
  *value = 0;
  for (const char16_t c : text) {
    const int digit = HexDigit(c);
    if (digit < 0) return false;
    *value = (*value << 4) | static_cast<DWORD>(digit);
  }
  return true;
}

// A quoted text at the start of `text` (which begins with `"`), with \\ and \" escapes;
// `text` is left after the closing quote.
bool ParseQuoted(std::u16string_view& text, std::u16string* out) {
  out->clear();
  for (std::size_t i = 1; i < text.size(); ++i) {
    if (text[i] == u'"') {
      text.remove_prefix(i + 1);
      return true;
    }
    if (text[i] == u'\\') {
      if (i + 1 >= text.size() || (text[i + 1] != u'\\' && text[i + 1] != u'"')) return false;
      ++i;
    }
    out->push_back(text[i]);
  }
  return false;
}

bool ParseHexBytes(std::u16string_view text, std::vector<BYTE>* bytes) {
  bytes->clear();
  text = Trim(text);
  while (!text.empty()) {
    const std::size_t comma = text.find(u',');
    const std::u16string_view item = Trim(text.substr(0, comma));
    DWORD value = 0;
    if (!ParseHexNumber(item, 2, &value)) return false;
    bytes->push_back(static_cast<BYTE>(value));
    if (comma == std::u16string_view::npos) break;
    text = Trim(text.substr(comma + 1));
  }
  return true;
}

class Parser {
 public:
  explicit Parser(std::vector<std::u16string> lines) : lines_(std::move(lines)) {}

  // Reads every line; each malformed one adds its mistake to *mistakes. Fails with the
  // first mistake when there is any.
  Status Parse(std::vector<Operation>* operations, std::vector<std::string>* mistakes) {
    bool header = false;
    for (index_ = 0; index_ < lines_.size(); ++index_) {
      lineNumber_ = index_ + 1;
      const std::u16string_view line = Trim(lines_[index_]);
      if (!header) {
        if (line.empty()) continue;
        if (line != u"Windows Registry Editor Version 5.00" && line != u"REGEDIT4") {
          // Not a registry file at all: its other lines say nothing more.
          const Status status = Error(
              "not a registry file: expected \"Windows Registry Editor Version 5.00\" "
              "or \"REGEDIT4\"");
          mistakes->push_back(status.message());
          return status;
        }
        header = true;
        continue;
      }
      if (line.empty() || line.front() == u';') continue;
      const Status status =
          line.front() == u'[' ? ParseKey(line, operations) : ParseValue(line, operations);
      if (!status.ok()) mistakes->push_back(status.message());
    }
    if (!header) {
      mistakes->push_back("no registry header: the file is empty");
      return Status::Error(ERROR_INVALID_DATA, mistakes->front());
    }
    return mistakes->empty() ? Status::Ok() : Status::Error(ERROR_INVALID_DATA, mistakes->front());
  }

 private:
  Status Error(const std::string& what) const {
    return Status::Error(ERROR_INVALID_DATA, "line " + std::to_string(lineNumber_) + ": " + what);
  }

  Status ParseKey(std::u16string_view line, std::vector<Operation>* operations) {
    // The values below a malformed key line belong to it, not to the key before.
    inKey_ = true;
    inDeletedKey_ = true;
    if (line.back() != u']') return Error("a key line must end with ']'");
    std::u16string_view inner = line.substr(1, line.size() - 2);
    const bool remove = !inner.empty() && inner.front() == u'-';
    if (remove) inner.remove_prefix(1);
    std::vector<std::u16string> path = registry::SplitKeyPath(inner);
    const KeyId root = path.empty() ? 0 : registry::RootByName(path.front());
    if (root == 0) return Error("unknown root key in [" + Utf16ToUtf8(inner) + "]");
    path.erase(path.begin());
    Operation operation;
    operation.kind = remove ? Operation::Kind::kDeleteKey : Operation::Kind::kOpenKey;
    operation.root = root;
    operation.path = std::move(path);
    operations->push_back(std::move(operation));
    inKey_ = true;
    inDeletedKey_ = remove;
    return Status::Ok();
  }

  Status ParseValue(std::u16string_view line, std::vector<Operation>* operations) {
    if (!inKey_) return Error("a value outside of any key");
    Operation operation;
    operation.kind = Operation::Kind::kSetValue;
    std::u16string_view rest = line;
    if (rest.front() == u'@') {
      rest.remove_prefix(1);
    } else if (rest.front() != u'"' || !ParseQuoted(rest, &operation.name)) {
      return Error("expected a quoted value name or '@'");
    }
    rest = Trim(rest);
    if (rest.empty() || rest.front() != u'=') return Error("expected '=' after the value name");
    rest = Trim(rest.substr(1));

    std::u16string joined;  // hex data continued over several lines
    if (rest.starts_with(u"hex")) {
      joined = std::u16string(rest);
      while (!joined.empty() && joined.back() == u'\\') {
        joined.pop_back();
        if (++index_ >= lines_.size()) return Error("hex data continued past the end of the file");
        joined += Trim(lines_[index_]);
      }
      rest = joined;
    }
    if (Status status = ParseData(rest, &operation); !status.ok()) return status;
    if (!inDeletedKey_) operations->push_back(std::move(operation));
    return Status::Ok();
  }

  Status ParseData(std::u16string_view data, Operation* operation) {
    if (data == u"-") {
      operation->kind = Operation::Kind::kDeleteValue;
      return Status::Ok();
    }
    if (!data.empty() && data.front() == u'"') {
      std::u16string text;
      if (!ParseQuoted(data, &text) || !Trim(data).empty()) return Error("malformed string data");
      operation->type = REG_SZ;
      for (const char16_t unit : text) {
        operation->data.push_back(static_cast<BYTE>(unit & 0xFF));
        operation->data.push_back(static_cast<BYTE>(unit >> 8));
      }
      operation->data.insert(operation->data.end(), {0, 0});
      return Status::Ok();
    }
    if (data.starts_with(u"dword:")) {
      DWORD value = 0;
      if (!ParseHexNumber(data.substr(6), 8, &value)) return Error("malformed dword data");
      operation->type = REG_DWORD;
      operation->data = {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8),
                         static_cast<BYTE>(value >> 16), static_cast<BYTE>(value >> 24)};
      return Status::Ok();
    }
    if (data.starts_with(u"hex:")) {
      operation->type = REG_BINARY;
      data.remove_prefix(4);
    } else if (data.starts_with(u"hex(")) {
      const std::size_t close = data.find(u"):");
      if (close == std::u16string_view::npos ||
          !ParseHexNumber(data.substr(4, close - 4), 8, &operation->type)) {
        return Error("malformed hex(N) type");
      }
      data.remove_prefix(close + 2);
    } else {
      return Error("unrecognised value data");
    }
    if (!ParseHexBytes(data, &operation->data)) return Error("malformed hex bytes");
    return Status::Ok();
  }

  std::vector<std::u16string> lines_;
  std::size_t index_ = 0;
  std::size_t lineNumber_ = 0;
  bool inKey_ = false;
  bool inDeletedKey_ = false;
};

Status Apply(sql::Database& db, const std::vector<Operation>& operations) {
  KeyId current = 0;
  for (const Operation& operation : operations) {
    Status status;
    switch (operation.kind) {
      case Operation::Kind::kDeleteKey: {
        KeyId key = 0;
        status = registry::FindKey(db, operation.root, operation.path, &key);
        if (status.ok()) {
          status = registry::DeleteKeyTree(db, key);
        } else if (status.error() == ERROR_FILE_NOT_FOUND) {
          status = Status::Ok();  // deleting what is not there changes nothing
        }
        break;
      }
      case Operation::Kind::kOpenKey: {
        bool created = false;
        status = registry::CreateKey(db, operation.root, operation.path, &current, &created);
        break;
      }
      case Operation::Kind::kSetValue:
        status = registry::SetValue(db, current, operation.name, operation.type,
                                    operation.data.data(), operation.data.size());
        break;
      case Operation::Kind::kDeleteValue:
        status = registry::DeleteValue(db, current, operation.name);
        if (status.error() == ERROR_FILE_NOT_FOUND) status = Status::Ok();
        break;
    }
    if (!status.ok()) return status;
  }
  return Status::Ok();
}

}  // namespace

Status ImportRegistry(Device& device, std::string_view bytes) {
  std::vector<std::string> mistakes;
  return ImportRegistry(device, bytes, &mistakes);
}

Status ImportRegistry(Device& device, std::string_view bytes, std::vector<std::string>* mistakes) {
  mistakes->clear();
  std::vector<Operation> operations;
  Parser parser(SplitLines(Decode(bytes)));
  if (Status status = parser.Parse(&operations, mistakes); !status.ok()) return status;
  return device.Write([&](sql::Database& db) { return Apply(db, operations); });
}

}  // namespace emu
