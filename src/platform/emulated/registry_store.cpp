#include "registry_store.h"

#include <algorithm>

#include "code_page.h"
#include "name_compare.h"

namespace emu::registry {

KeyId RootOf(HKEY key) {
  if (key == HKEY_CLASSES_ROOT) return kClassesRoot;
  if (key == HKEY_CURRENT_USER) return kCurrentUser;
  if (key == HKEY_LOCAL_MACHINE) return kLocalMachine;
  if (key == HKEY_USERS) return kUsers;
  return 0;
}

std::u16string_view RootName(KeyId root) {
  switch (root) {
    case kClassesRoot:
      return u"HKEY_CLASSES_ROOT";
    case kCurrentUser:
      return u"HKEY_CURRENT_USER";
    case kLocalMachine:
      return u"HKEY_LOCAL_MACHINE";
    case kUsers:
      return u"HKEY_USERS";
    default:
      return {};
  }
}

KeyId RootByName(std::u16string_view name) {
  static constexpr struct {
    std::u16string_view shortName;
    KeyId root;
  } kShortNames[] = {
      {u"HKCR", kClassesRoot}, {u"HKCU", kCurrentUser}, {u"HKLM", kLocalMachine}, {u"HKU", kUsers}};
  for (const auto& entry : kShortNames) {
    if (EqualsIgnoringCase(name, entry.shortName) ||
        EqualsIgnoringCase(name, RootName(entry.root))) {
      return entry.root;
    }
  }
  return 0;
}

std::vector<std::u16string> SplitKeyPath(std::u16string_view path) {
  std::vector<std::u16string> parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find(u'\\', start);
    if (end == std::u16string_view::npos) end = path.size();
    if (end > start) parts.emplace_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

Status KeyExists(sql::Database& db, KeyId key, bool* exists) {
  sql::Statement statement = db.Prepare("SELECT 1 FROM registry_keys WHERE id = ?1");
  statement.Bind(1, key);
  return statement.Step(exists);
}

namespace {

Status FindChild(sql::Database& db, KeyId parent, std::u16string_view name, KeyId* child,
                 bool* found) {
  sql::Statement statement =
      db.Prepare("SELECT id FROM registry_keys WHERE parent = ?1 AND folded = ?2");
  statement.Bind(1, parent).Bind(2, FoldedKey(name));
  if (Status status = statement.Step(found); !status.ok()) return status;
  if (*found) *child = statement.Int(0);
  return Status::Ok();
}

}  // namespace

Status FindKey(sql::Database& db, KeyId from, const std::vector<std::u16string>& path, KeyId* key) {
  KeyId current = from;
  for (const std::u16string& part : path) {
    bool found = false;
    if (Status status = FindChild(db, current, part, &current, &found); !status.ok()) {
      return status;
    }
    if (!found) return Status::Error(ERROR_FILE_NOT_FOUND, "no key " + Utf16ToUtf8(part));
  }
  *key = current;
  return Status::Ok();
}

Status CreateKey(sql::Database& db, KeyId from, const std::vector<std::u16string>& path, KeyId* key,
                 bool* created) {
  KeyId current = from;
  *created = false;
  for (const std::u16string& part : path) {
    bool found = false;
    if (Status status = FindChild(db, current, part, &current, &found); !status.ok()) {
      return status;
    }
    if (found) continue;
    sql::Statement insert =
        db.Prepare("INSERT INTO registry_keys(parent, name, folded) VALUES(?1, ?2, ?3)");
    insert.Bind(1, current).Bind(2, Utf16ToUtf8(part)).Bind(3, FoldedKey(part));
    if (Status status = insert.Run(); !status.ok()) return status;
    current = db.LastInsertRowId();
    *created = true;
  }
  *key = current;
  return Status::Ok();
}

Status KeyDepth(sql::Database& db, KeyId key, int* depth) {
  sql::Statement statement = db.Prepare(
      "WITH RECURSIVE up(id, parent) AS (SELECT id, parent FROM registry_keys WHERE id = ?1 "
      "UNION ALL SELECT k.id, k.parent FROM registry_keys k JOIN up ON k.id = up.parent) "
      "SELECT COUNT(*) - 1 FROM up");
  statement.Bind(1, key);
  bool row = false;
  if (Status status = statement.Step(&row); !status.ok()) return status;
  *depth = static_cast<int>(statement.Int(0));
  return Status::Ok();
}

Status KeyPath(sql::Database& db, KeyId key, std::u16string* path) {
  path->clear();
  sql::Statement statement = db.Prepare("SELECT parent, name FROM registry_keys WHERE id = ?1");
  for (KeyId current = key; current != 0;) {
    statement.Bind(1, current);
    bool row = false;
    if (Status status = statement.Step(&row); !status.ok()) return status;
    if (!row) return Status::Error(ERROR_KEY_DELETED, "key deleted");
    const std::u16string name = Utf8ToUtf16(statement.Text(1));
    *path = path->empty() ? name : name + u"\\" + *path;
    current = statement.IsNull(0) ? 0 : statement.Int(0);
    statement.Reset();
  }
  return Status::Ok();
}

Status DeleteKeyTree(sql::Database& db, KeyId key) {
  static constexpr const char* kSubtree =
      "WITH RECURSIVE tree(id) AS (SELECT ?1 UNION ALL "
      "SELECT k.id FROM registry_keys k JOIN tree ON k.parent = tree.id) ";
  const std::string deleteValues =
      std::string(kSubtree) + "DELETE FROM registry_values WHERE key IN tree";
  const std::string deleteKeys =
      std::string(kSubtree) + "DELETE FROM registry_keys WHERE id IN tree AND parent IS NOT NULL";
  for (const std::string& sql : {deleteValues, deleteKeys}) {
    sql::Statement statement = db.Prepare(sql);
    statement.Bind(1, key);
    if (Status status = statement.Run(); !status.ok()) return status;
  }
  return Status::Ok();
}

Status QueryValue(sql::Database& db, KeyId key, std::u16string_view name, Value* value,
                  bool* found) {
  sql::Statement statement =
      db.Prepare("SELECT name, type, data FROM registry_values WHERE key = ?1 AND folded = ?2");
  statement.Bind(1, key).Bind(2, FoldedKey(name));
  if (Status status = statement.Step(found); !status.ok() || !*found) return status;
  value->name = Utf8ToUtf16(statement.Text(0));
  value->type = static_cast<DWORD>(statement.Int(1));
  value->data = statement.Blob(2);
  return Status::Ok();
}

Status SetValue(sql::Database& db, KeyId key, std::u16string_view name, DWORD type,
                const BYTE* data, std::size_t size) {
  // The first spelling of the name stays.
  sql::Statement statement = db.Prepare(
      "INSERT INTO registry_values(key, name, folded, type, data) VALUES(?1, ?2, ?3, ?4, ?5) "
      "ON CONFLICT(key, folded) DO UPDATE SET type = excluded.type, data = excluded.data");
  statement.Bind(1, key).Bind(2, Utf16ToUtf8(name)).Bind(3, FoldedKey(name));
  statement.Bind(4, static_cast<std::int64_t>(type)).BindBlob(5, data, size);
  return statement.Run();
}

Status DeleteValue(sql::Database& db, KeyId key, std::u16string_view name) {
  sql::Statement statement =
      db.Prepare("DELETE FROM registry_values WHERE key = ?1 AND folded = ?2");
  statement.Bind(1, key).Bind(2, FoldedKey(name));
  if (Status status = statement.Run(); !status.ok()) return status;
  if (db.Changes() == 0) {
    return Status::Error(ERROR_FILE_NOT_FOUND, "no value " + Utf16ToUtf8(name));
  }
  return Status::Ok();
}

Status ListSubKeys(sql::Database& db, KeyId key, std::vector<SubKey>* subKeys) {
  subKeys->clear();
  sql::Statement statement = db.Prepare("SELECT id, name FROM registry_keys WHERE parent = ?1");
  statement.Bind(1, key);
  for (bool row = true;;) {
    if (Status status = statement.Step(&row); !status.ok()) return status;
    if (!row) break;
    subKeys->push_back(SubKey{statement.Int(0), Utf8ToUtf16(statement.Text(1))});
  }
  std::sort(subKeys->begin(), subKeys->end(),
            [](const SubKey& a, const SubKey& b) { return LessIgnoringCase(a.name, b.name); });
  return Status::Ok();
}

Status ListValues(sql::Database& db, KeyId key, std::vector<Value>* values) {
  values->clear();
  sql::Statement statement =
      db.Prepare("SELECT name, type, data FROM registry_values WHERE key = ?1");
  statement.Bind(1, key);
  for (bool row = true;;) {
    if (Status status = statement.Step(&row); !status.ok()) return status;
    if (!row) break;
    values->push_back(Value{Utf8ToUtf16(statement.Text(0)), static_cast<DWORD>(statement.Int(1)),
                            statement.Blob(2)});
  }
  std::sort(values->begin(), values->end(),
            [](const Value& a, const Value& b) { return LessIgnoringCase(a.name, b.name); });
  return Status::Ok();
}

}  // namespace emu::registry
