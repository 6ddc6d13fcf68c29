#include "sqlite_db.h"

#include <sqlite3.h>

#include <utility>

#include "native_error.h"

namespace emu::sql {
namespace {
constexpr int kBusyTimeoutMs = 30000;
}

// ---- Statement ---------------------------------------------------------------------------

Statement::Statement(Statement&& other) noexcept
    : statement_(std::exchange(other.statement_, nullptr)),
      db_(other.db_),
      prepared_(std::move(other.prepared_)),
      bindError_(other.bindError_) {}

Statement& Statement::operator=(Statement&& other) noexcept {
  if (this != &other) {
    sqlite3_finalize(statement_);
    statement_ = std::exchange(other.statement_, nullptr);
    db_ = other.db_;
    prepared_ = std::move(other.prepared_);
    bindError_ = other.bindError_;
  }
  return *this;
}

Statement::~Statement() { sqlite3_finalize(statement_); }

Statement& Statement::Bound(int resultCode) {
  if (resultCode != SQLITE_OK && bindError_ == 0) bindError_ = resultCode;
  return *this;
}

// A statement that could not be prepared binds nothing; its Step reports why.
Statement& Statement::Bind(int index, std::int64_t value) {
  if (statement_ == nullptr) return *this;
  return Bound(sqlite3_bind_int64(statement_, index, value));
}

Statement& Statement::Bind(int index, std::string_view text) {
  if (statement_ == nullptr) return *this;
  return Bound(sqlite3_bind_text64(statement_, index, text.data(), text.size(), SQLITE_TRANSIENT,
                                   SQLITE_UTF8));
}

Statement& Statement::BindBlob(int index, const void* data, std::size_t size) {
  // A zero-length blob is still a blob, not NULL.
  static const unsigned char kEmpty = 0;
  if (statement_ == nullptr) return *this;
  return Bound(
      sqlite3_bind_blob64(statement_, index, size == 0 ? &kEmpty : data, size, SQLITE_TRANSIENT));
}

Statement& Statement::BindNull(int index) {
  if (statement_ == nullptr) return *this;
  return Bound(sqlite3_bind_null(statement_, index));
}

Statement& Statement::BindOptional(int index, const std::optional<std::string>& text) {
  return text ? Bind(index, std::string_view(*text)) : BindNull(index);
}

Status Statement::Check(int resultCode) const {
  if (resultCode == SQLITE_OK || resultCode == SQLITE_ROW || resultCode == SQLITE_DONE) {
    return Status::Ok();
  }
  return Status::Error(ErrorFromSqlite(resultCode),
                       std::string("sqlite: ") + sqlite3_errstr(resultCode) + ": " +
                           (db_ != nullptr ? sqlite3_errmsg(db_) : ""));
}

Status Statement::Step(bool* row) {
  *row = false;
  if (!prepared_.ok()) return prepared_;
  if (bindError_ != 0) return Check(bindError_);
  const int rc = sqlite3_step(statement_);
  *row = rc == SQLITE_ROW;
  return Check(rc);
}

Status Statement::Run() {
  bool row = true;
  while (row) {
    if (Status status = Step(&row); !status.ok()) return status;
  }
  return Status::Ok();
}

void Statement::Reset() {
  sqlite3_reset(statement_);
  bindError_ = 0;
}

std::int64_t Statement::Int(int column) const { return sqlite3_column_int64(statement_, column); }

std::string Statement::Text(int column) const {
  const auto* text = sqlite3_column_text(statement_, column);
  const int size = sqlite3_column_bytes(statement_, column);
  return text == nullptr ? std::string() : std::string(reinterpret_cast<const char*>(text), size);
}

std::vector<unsigned char> Statement::Blob(int column) const {
  const auto* data = static_cast<const unsigned char*>(sqlite3_column_blob(statement_, column));
  const int size = sqlite3_column_bytes(statement_, column);
  return data == nullptr ? std::vector<unsigned char>()
                         : std::vector<unsigned char>(data, data + size);
}

bool Statement::IsNull(int column) const {
  return sqlite3_column_type(statement_, column) == SQLITE_NULL;
}

// ---- Database ----------------------------------------------------------------------------

Database::Database(Database&& other) noexcept : db_(std::exchange(other.db_, nullptr)) {}

Database& Database::operator=(Database&& other) noexcept {
  if (this != &other) {
    sqlite3_close_v2(db_);
    db_ = std::exchange(other.db_, nullptr);
  }
  return *this;
}

Database::~Database() { sqlite3_close_v2(db_); }

Status Database::Check(int resultCode, const char* context) const {
  if (resultCode == SQLITE_OK) return Status::Ok();
  return Status::Error(ErrorFromSqlite(resultCode),
                       std::string(context) + ": " +
                           (db_ != nullptr ? sqlite3_errmsg(db_) : sqlite3_errstr(resultCode)));
}

Status Database::Open(const std::string& path, bool create, Database* database) {
  Database opened;
  const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0) |
                    SQLITE_OPEN_FULLMUTEX | SQLITE_OPEN_NOFOLLOW;
  const int rc = sqlite3_open_v2(path.c_str(), &opened.db_, flags, nullptr);
  if (Status status = opened.Check(rc, ("open " + path).c_str()); !status.ok()) return status;
  sqlite3_extended_result_codes(opened.db_, 1);
  sqlite3_busy_timeout(opened.db_, kBusyTimeoutMs);
  // Changing the journal mode needs a moment of exclusive access; the busy timeout
  // covers processes that open the database at the same time.
  if (Status status = opened.Execute("PRAGMA journal_mode=WAL"); !status.ok()) return status;
  if (Status status = opened.Execute("PRAGMA synchronous=FULL"); !status.ok()) return status;
  *database = std::move(opened);
  return Status::Ok();
}

Status Database::Execute(const char* sql) {
  return Check(sqlite3_exec(db_, sql, nullptr, nullptr, nullptr), sql);
}

Statement Database::Prepare(std::string_view sql) {
  sqlite3_stmt* prepared = nullptr;
  const int rc =
      sqlite3_prepare_v2(db_, sql.data(), static_cast<int>(sql.size()), &prepared, nullptr);
  return Statement(prepared, db_, Check(rc, "prepare"));
}

std::int64_t Database::LastInsertRowId() const { return sqlite3_last_insert_rowid(db_); }

int Database::Changes() const { return sqlite3_changes(db_); }

// ---- Transaction -------------------------------------------------------------------------

Transaction::~Transaction() {
  if (open_) static_cast<void>(database_.Execute("ROLLBACK"));
}

Status Transaction::Begin(Kind kind) {
  Status status = database_.Execute(kind == Kind::kWrite ? "BEGIN IMMEDIATE" : "BEGIN");
  open_ = status.ok();
  return status;
}

Status Transaction::Commit() {
  Status status = database_.Execute("COMMIT");
  if (status.ok()) open_ = false;
  return status;
}

}  // namespace emu::sql
