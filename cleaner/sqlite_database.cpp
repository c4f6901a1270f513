#include "cleaner/sqlite_database.h"

#include <sqlite3.h>

#include <array>
#include <utility>

#include "core/text.h"

namespace nc::cleaner {

namespace {

constexpr std::array<std::string_view, 27> kDescriptions = {
    "Successful result",
    "SQL error or missing database",
    "An internal logic error in SQLite",
    "Access permission denied",
    "Callback routine requested an abort",
    "The database file is locked",
    "A table in the database is locked",
    "A malloc() failed",
    "Attempt to write a readonly database",
    "Operation terminated by sqlite3_interrupt()",
    "Some kind of disk I/O error occurred",
    "The database disk image is malformed",
    "(Internal Only) Table or record not found",
    "Insertion failed because database is full",
    "Unable to open the database file",
    "Database lock protocol error",
    "Database is empty",
    "The database schema changed",
    "Too much data for one row of a table",
    "Abort due to contraint violation",
    "Data type mismatch",
    "Library used incorrectly",
    "Uses OS features not supported on host",
    "Authorization denied",
    "Auxiliary database format error",
    "2nd parameter to sqlite3_bind out of range",
    "File opened that is not a database file",
};

// The kind of a column by its declared type, compared exactly; 0 when
// the column has no declared type.
int KindOfDeclaredType(const char* declared) {
  if (declared == nullptr) return 0;
  const std::string_view type = declared;
  if (type == "INTEGER" || type == "BOOLEAN") return 1;
  if (type == "NUMERIC" || type == "FLOAT" || type == "DOUBLE" || type == "REAL") return 2;
  if (type == "BLOB") return 4;
  return 3;
}

SqliteValue ReadColumn(sqlite3_stmt* statement, int column, SqliteKind kind) {
  if (sqlite3_column_type(statement, column) == SQLITE_NULL) return {};
  switch (kind) {
    case SqliteKind::Integer:
      return static_cast<std::int64_t>(sqlite3_column_int64(statement, column));
    case SqliteKind::Float:
      return sqlite3_column_double(statement, column);
    case SqliteKind::Blob: {
      const void* data = sqlite3_column_blob(statement, column);
      const int size = sqlite3_column_bytes(statement, column);
      if (data == nullptr || size <= 0) return {};
      const auto* bytes = static_cast<const std::uint8_t*>(data);
      return std::vector<std::uint8_t>(bytes, bytes + size);
    }
    case SqliteKind::Text:
      break;
  }
  const unsigned char* text = sqlite3_column_text(statement, column);
  const int size = sqlite3_column_bytes(statement, column);
  if (text == nullptr) return std::string();
  return std::string(reinterpret_cast<const char*>(text), static_cast<std::size_t>(size));
}

// "120 seconds", or "250 ms" for a limit of less than whole seconds.
std::string LimitText(std::uint64_t ms) {
  if (ms % 1000 == 0) return std::to_string(ms / 1000) + (ms == 1000 ? " second" : " seconds");
  return std::to_string(ms) + " ms";
}

// An apostrophe inside a quoted SQL text is written twice.
std::string QuoteInner(std::string_view text) {
  std::string out;
  for (char c : text) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out;
}

}  // namespace

std::string SqliteErrorDescription(int code) {
  if (code >= 0 && code < static_cast<int>(kDescriptions.size())) {
    return std::string(kDescriptions[static_cast<std::size_t>(code)]);
  }
  if (code == SQLITE_ROW) return "sqlite3_step() has another row ready";
  if (code == SQLITE_DONE) return "sqlite3_step() has finished executing";
  return "Unknown SQLite Error Code \"" + std::to_string(code) + "\"";
}

const SqliteValue& SqliteTable::Value(int row, int column) const {
  if (row < 0 || row >= rowCount_ || column < 0 || column >= ColumnCount()) {
    throw std::out_of_range("no such cell");
  }
  return values_[static_cast<std::size_t>(row) * names_.size() + static_cast<std::size_t>(column)];
}

void SqliteDatabase::StatementCloser::operator()(sqlite3_stmt* statement) const {
  sqlite3_finalize(statement);
}

SqliteDatabase::SqliteDatabase(const std::string& fileName, bool readOnly, SqliteWatch watch)
    : watch_(std::move(watch)) {
  sqlite3* raw = nullptr;
  const int result = sqlite3_open_v2(
      fileName.c_str(), &raw, readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE, nullptr);
  if (result != SQLITE_OK) {
    if (raw == nullptr) {
      throw SqliteException("Failed to open database \"" + fileName + "\" : unknown error");
    }
    std::string message = "Failed to open database \"" + fileName + "\" : " + sqlite3_errmsg(raw);
    sqlite3_close(raw);
    throw SqliteException(message);
  }
  // The file may come from anywhere: no SQL may change its schema or
  // header directly, and its triggers and views may call no function that
  // could reach outside the database.
  int defensive = -1;
  int trusted = -1;
  if (sqlite3_db_config(raw, SQLITE_DBCONFIG_DEFENSIVE, 1, &defensive) != SQLITE_OK ||
      defensive != 1 ||
      sqlite3_db_config(raw, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, &trusted) != SQLITE_OK ||
      trusted != 0) {
    sqlite3_close(raw);
    throw SqliteException("Failed to open database \"" + fileName +
                          "\" : the library cannot run it in defensive mode");
  }
  db_ = raw;
  if (watch_.stopRequested || (watch_.clock != nullptr && watch_.statementLimitMs > 0)) {
    sqlite3_progress_handler(db_, kSqliteProgressSteps, &SqliteDatabase::OnProgress, this);
  }
}

SqliteDatabase::~SqliteDatabase() {
  if (db_ == nullptr) return;
  // The rollback must not be stopped by the request that ended the work.
  sqlite3_progress_handler(db_, 0, nullptr, nullptr);
  // A statement stopped inside the transaction may have rolled it back
  // already.
  if (inTransaction_ && sqlite3_get_autocommit(db_) == 0) {
    try {
      RunStatement("ROLLBACK");
    } catch (const SqliteException&) {
      // Closing rolls back what is left.
    }
  }
  sqlite3_close(db_);
}

int SqliteDatabase::OnProgress(void* self) {
  auto* database = static_cast<SqliteDatabase*>(self);
  const SqliteWatch& watch = database->watch_;
  if (watch.stopRequested && watch.stopRequested()) return 1;
  if (watch.clock != nullptr && watch.statementLimitMs > 0) {
    const std::uint64_t now = watch.clock->tickMs();
    if (now > database->statementStart_ &&
        now - database->statementStart_ > watch.statementLimitMs) {
      database->timedOut_ = true;
      return 1;
    }
  }
  return 0;
}

void SqliteDatabase::BeginTransaction() {
  RunStatement("BEGIN");
  inTransaction_ = true;
}

void SqliteDatabase::Commit() {
  RunStatement("COMMIT");
  inTransaction_ = false;
}

void SqliteDatabase::RaiseDatabaseError(std::string_view base, std::string_view sql) {
  const int code = sqlite3_errcode(db_);
  const char* message = code != 0 ? sqlite3_errmsg(db_) : nullptr;
  if (message == nullptr) throw SqliteException(std::string(base));
  std::string text = std::string(base) + ".\rError [" + std::to_string(code) +
                     "]: " + SqliteErrorDescription(code) + ".\r\"" + std::string(sql) +
                     "\": " + message;
  if (timedOut_ && code == SQLITE_INTERRUPT) {
    text += "\rThe statement ran longer than " + LimitText(watch_.statementLimitMs) +
            " and was stopped.";
  }
  throw SqliteException(text);
}

SqliteDatabase::Statement SqliteDatabase::Prepare(std::string_view sql, std::string_view failBase) {
  // The whole text, up to its terminating zero. The time limit counts
  // from here.
  const std::string text(sql);
  timedOut_ = false;
  if (watch_.clock != nullptr) statementStart_ = watch_.clock->tickMs();
  sqlite3_stmt* raw = nullptr;
  const int result = sqlite3_prepare_v2(db_, text.c_str(), -1, &raw, nullptr);
  Statement statement(raw);
  if (result != SQLITE_OK) RaiseDatabaseError(failBase, sql);
  if (!statement) RaiseDatabaseError("Could not prepare SQL statement", sql);
  return statement;
}

void SqliteDatabase::RunStatement(std::string_view sql) {
  Statement statement = Prepare(sql, "Error executing SQL");
  if (sqlite3_step(statement.get()) != SQLITE_DONE) {
    sqlite3_reset(statement.get());
    RaiseDatabaseError("Error executing SQL statement", sql);
  }
}

std::unique_ptr<SqliteTable> SqliteDatabase::QueryTable(std::string_view sql) {
  // A locked database shows as busy while the statement is prepared (the
  // schema must be read) or stepped; either way it reads as one that
  // could not be prepared.
  Statement statement = [&] {
    try {
      return Prepare(sql, "Error executing SQL");
    } catch (const SqliteException&) {
      if (sqlite3_errcode(db_) == SQLITE_BUSY) {
        RaiseDatabaseError("Could not prepare SQL statement", sql);
      }
      throw;
    }
  }();
  auto table = std::make_unique<SqliteTable>();
  for (;;) {
    const int result = sqlite3_step(statement.get());
    if (result == SQLITE_DONE) break;
    if (result == SQLITE_BUSY) RaiseDatabaseError("Could not prepare SQL statement", sql);
    if (result != SQLITE_ROW) {
      sqlite3_reset(statement.get());
      RaiseDatabaseError("Could not retrieve data", sql);
    }
    if (table->rowCount_ == 0) {
      const int columns = sqlite3_column_count(statement.get());
      for (int c = 0; c < columns; ++c) {
        const char* name = sqlite3_column_name(statement.get(), c);
        table->names_.push_back(UpperAscii(name != nullptr ? name : ""));
        int kind = KindOfDeclaredType(sqlite3_column_decltype(statement.get(), c));
        if (kind == 0) {
          kind = sqlite3_column_type(statement.get(), c);
          if (kind < 1 || kind > 4) kind = static_cast<int>(SqliteKind::Text);
        }
        table->kinds_.push_back(static_cast<SqliteKind>(kind));
      }
    }
    ++table->rowCount_;
    for (int c = 0; c < table->ColumnCount(); ++c) {
      table->values_.push_back(
          ReadColumn(statement.get(), c, table->kinds_[static_cast<std::size_t>(c)]));
    }
  }
  return table;
}

bool SqliteDatabase::HasTable(std::string_view name) {
  const std::string sql =
      "select [sql] from sqlite_master where [type] = 'table' and lower(name) = '" +
      QuoteInner(LowerAscii(name)) + "' ";
  return QueryTable(sql)->RowCount() > 0;
}

bool SqliteDatabase::HasColumn(std::string_view table, std::string_view column) {
  const std::string sql = "select [name] from pragma_table_info('" + QuoteInner(table) +
                          "') where lower(name) = '" + QuoteInner(LowerAscii(column)) + "' ";
  return QueryTable(sql)->RowCount() > 0;
}

void SqliteDatabase::OverwriteDeletedContent() {
  (void)QueryTable("PRAGMA secure_delete = ON");
}

void SqliteDatabase::CheckpointWriteAheadLog() {
  // A database in another journal mode answers without doing anything.
  (void)QueryTable("PRAGMA wal_checkpoint(TRUNCATE)");
}

}  // namespace nc::cleaner
