// A small wrapper over the SQLite library for the browser items that
// delete rows from a browser's database files: open a file, run a
// statement, query a table into memory, ask whether a table exists.
//
// Every failure throws SqliteException with the library's error code, its
// description, the statement and the library's message. Every prepared
// statement is finalized on every path, also when a call throws; the
// connection is closed when the database object dies.
//
// The files are the browsers', so they are not trusted: every connection
// runs in defensive mode (no writes to the schema or to the file's
// header through SQL) with an untrusted schema (triggers and views may
// call only the library's harmless functions). A statement can be stopped
// while it runs (a trigger that never ends): by a stop request, or by a
// time limit per statement.
//
// One object belongs to one thread (the clean worker's); it is never
// shared. Only the stop request is set from another thread, and the
// connection reads it through the check it was given.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/clock.h"

struct sqlite3;
struct sqlite3_stmt;

namespace nc::cleaner {

class SqliteException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The description of a primary result code ("The database file is
// locked" for 5); unknown codes give "Unknown SQLite Error Code "<n>"".
std::string SqliteErrorDescription(int code);

// A value of a result table; the empty state stands for NULL and for a
// zero-length binary value.
using SqliteValue =
    std::variant<std::monostate, std::int64_t, double, std::string, std::vector<std::uint8_t>>;

// The kind of a result column, numbered as the library numbers its
// storage classes.
enum class SqliteKind : int { Integer = 1, Float = 2, Text = 3, Blob = 4 };

// The rows of one query, kept in memory in row order.
class SqliteTable {
 public:
  int RowCount() const { return rowCount_; }
  int ColumnCount() const { return static_cast<int>(names_.size()); }
  // Upper-cased, as the library reports them.
  const std::vector<std::string>& ColumnNames() const { return names_; }
  SqliteKind ColumnKind(int column) const { return kinds_.at(static_cast<std::size_t>(column)); }
  const SqliteValue& Value(int row, int column) const;

 private:
  friend class SqliteDatabase;
  int rowCount_ = 0;
  std::vector<std::string> names_;
  std::vector<SqliteKind> kinds_;
  std::vector<SqliteValue> values_;  // row by row
};

// What may stop a running statement. The library asks every
// kSqliteProgressSteps steps of its machine; a statement that is stopped
// fails with code 9 ("Operation terminated by sqlite3_interrupt()").
struct SqliteWatch {
  // Asked from the statement's thread; true stops it (Cancel, the
  // program's close). The flag behind it may be set from any thread.
  std::function<bool()> stopRequested;
  // With a clock and a limit above 0, a statement that has run longer
  // than the limit is stopped, and its error says so.
  platform::Clock* clock = nullptr;
  std::uint64_t statementLimitMs = 0;
};
inline constexpr int kSqliteProgressSteps = 1000;

class SqliteDatabase {
 public:
  // Opens an existing database file for reading and writing (read-only
  // when the file allows no more, or when asked); a missing file is not
  // created. `fileName` is UTF-8. Defensive mode and the untrusted schema
  // are set before the first statement; a library that refuses either
  // makes the open fail.
  explicit SqliteDatabase(const std::string& fileName, bool readOnly = false,
                          SqliteWatch watch = {});
  ~SqliteDatabase();
  SqliteDatabase(const SqliteDatabase&) = delete;
  SqliteDatabase& operator=(const SqliteDatabase&) = delete;

  // Runs one statement to completion; a statement that returns rows fails.
  void RunStatement(std::string_view sql);
  // Runs a query and keeps its rows.
  std::unique_ptr<SqliteTable> QueryTable(std::string_view sql);
  // Whether the database has a table of this name, compared without
  // regard to ASCII letter case.
  bool HasTable(std::string_view name);
  // Whether `table` has a column of this name, compared without regard to
  // ASCII letter case; false when there is no such table.
  bool HasColumn(std::string_view table, std::string_view column);

  // From now on the content of deleted rows is overwritten with zeros, in
  // the file and in its write-ahead log, rather than left in free space.
  void OverwriteDeletedContent();
  // Copies a write-ahead log back into the database and empties it, so
  // that nothing of what it held stays readable beside the database; a
  // database without one is left as it is. Outside a transaction only.
  void CheckpointWriteAheadLog();

  // One transaction around several statements: what Commit does not
  // reach is rolled back when the object dies, also after a failure.
  void BeginTransaction();
  void Commit();

 private:
  struct StatementCloser {
    void operator()(sqlite3_stmt* statement) const;
  };
  using Statement = std::unique_ptr<sqlite3_stmt, StatementCloser>;

  // Prepares `sql`; `failBase` is the text of a failure to prepare.
  Statement Prepare(std::string_view sql, std::string_view failBase);
  [[noreturn]] void RaiseDatabaseError(std::string_view base, std::string_view sql);
  static int OnProgress(void* self);

  sqlite3* db_ = nullptr;
  bool inTransaction_ = false;
  SqliteWatch watch_;
  std::uint64_t statementStart_ = 0;  // clock tick when the statement was prepared
  bool timedOut_ = false;             // the running statement passed its limit
};

}  // namespace nc::cleaner
