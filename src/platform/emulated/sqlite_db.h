// Small RAII wrappers of the SQLite C API, with errors as Status values.
//
// Database owns one connection, Statement one prepared statement, Transaction one open
// transaction (rolled back on destruction unless committed). All are move-only. A
// Database and its statements are used by one thread at a time; Device serialises them.
//
// A statement carries the errors of its preparing and binding to its first Step or Run,
// so that a query reads as prepare, bind, run:
//
//   sql::Statement select = db.Prepare("SELECT id FROM windows WHERE handle = ?1");
//   select.Bind(1, handle);
//   if (Status status = select.Step(&row); !status.ok()) return status;
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "status.h"

struct sqlite3;
struct sqlite3_stmt;

namespace emu::sql {

class Statement {
 public:
  Statement() = default;
  Statement(Statement&& other) noexcept;
  Statement& operator=(Statement&& other) noexcept;
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  ~Statement();

  // Parameters count from 1, as in SQL.
  Statement& Bind(int index, std::int64_t value);
  Statement& Bind(int index, std::string_view text);
  Statement& BindBlob(int index, const void* data, std::size_t size);
  Statement& BindNull(int index);
  Statement& BindOptional(int index, const std::optional<std::string>& text);

  // Runs one step: *row is true when a row is ready to be read. Errors of preparing and
  // binding are reported here, and nothing runs.
  Status Step(bool* row);
  // Runs to completion, ignoring any rows.
  Status Run();
  // Makes the statement ready to run again; bindings are kept.
  void Reset();

  // Columns count from 0.
  std::int64_t Int(int column) const;
  std::string Text(int column) const;
  std::vector<unsigned char> Blob(int column) const;
  bool IsNull(int column) const;

 private:
  friend class Database;
  Statement(sqlite3_stmt* statement, sqlite3* db, Status prepared)
      : statement_(statement), db_(db), prepared_(std::move(prepared)) {}
  Statement& Bound(int resultCode);  // keeps the first failed binding
  Status Check(int resultCode) const;

  sqlite3_stmt* statement_ = nullptr;
  sqlite3* db_ = nullptr;
  Status prepared_;
  int bindError_ = 0;
};

class Database {
 public:
  Database() = default;
  Database(Database&& other) noexcept;
  Database& operator=(Database&& other) noexcept;
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;
  ~Database();

  // Opens (and with `create`, creates) the database file, in WAL mode with a busy
  // timeout, so that several processes can share it.
  static Status Open(const std::string& path, bool create, Database* database);

  bool IsOpen() const { return db_ != nullptr; }
  Status Execute(const char* sql);
  // The statement, or one that fails its first Step with the error of preparing it.
  Statement Prepare(std::string_view sql);
  std::int64_t LastInsertRowId() const;
  int Changes() const;

 private:
  Status Check(int resultCode, const char* context) const;
  sqlite3* db_ = nullptr;
};

// BEGIN IMMEDIATE for writes (the write lock is taken at once, so no transaction ever
// has to be upgraded and retried), BEGIN for reads.
class Transaction {
 public:
  enum class Kind { kRead, kWrite };
  explicit Transaction(Database& database) : database_(database) {}
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  ~Transaction();

  Status Begin(Kind kind);
  Status Commit();

 private:
  Database& database_;
  bool open_ = false;
};

}  // namespace emu::sql
