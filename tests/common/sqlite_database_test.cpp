// The SQLite wrapper over the library each build links: the error texts,
// table queries, locks held by another connection, the guards of an
// untrusted file and the time limit of a statement (Cancel stopping one is
// tested with the browser items).
#include "cleaner/sqlite_database.h"

#include <sqlite3.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/clock.h"

namespace nc::cleaner {
namespace {

namespace fs = std::filesystem;

std::string Utf8(const fs::path& path) {
  const auto text = path.u8string();
  return std::string(text.begin(), text.end());
}

// A second connection made with the library itself, apart from the
// wrapper under test.
class RawConnection {
 public:
  explicit RawConnection(const fs::path& file) { sqlite3_open(Utf8(file).c_str(), &db_); }
  ~RawConnection() { sqlite3_close(db_); }
  RawConnection(const RawConnection&) = delete;
  RawConnection& operator=(const RawConnection&) = delete;
  int Exec(const std::string& sql) {
    return sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr);
  }

 private:
  sqlite3* db_ = nullptr;
};

// A database whose deletes from "t" never end: a trigger reads a view
// that counts without end.
constexpr const char* kEndlessTrigger =
    "create table t (x integer); insert into t values (1), (2);"
    "create view endless as with recursive n(i) as (select 1 union all select i + 1 from n) "
    "select count(*) from n;"
    "create trigger forever after delete on t begin select * from endless; end;";

// A clock that moves one millisecond each time it is read, so that time
// is counted in the library's progress calls and a test waits for nothing.
class CountingClock : public platform::Clock {
 public:
  platform::LocalTime now() override { return {}; }
  platform::LocalTime utcNow() override { return {}; }
  std::uint64_t tickMs() override { return ++tick_; }
  std::uint64_t tick_ = 0;
};

class SqliteDatabaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    folder_ = fs::temp_directory_path() / ("nc-sqlite-" + std::to_string(stamp));
    fs::create_directories(folder_);
  }
  void TearDown() override {
    std::error_code ec;
    for (const auto& entry : fs::recursive_directory_iterator(folder_, ec)) {
      fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::remove_all(folder_, ec);
  }

  // A database file made by the library with the statements given.
  fs::path Make(const std::string& name, const std::string& sql) {
    const fs::path file = folder_ / name;
    RawConnection raw(file);
    EXPECT_EQ(raw.Exec(sql), SQLITE_OK) << sql;
    return file;
  }
  static std::string Raised(const std::function<void()>& action) {
    try {
      action();
    } catch (const SqliteException& e) {
      return e.what();
    }
    return "<nothing raised>";
  }

  fs::path folder_;
};

TEST_F(SqliteDatabaseTest, CodesAreDescribedByTheirTable) {
  const std::pair<int, const char*> cases[] = {
      {0, "Successful result"},
      {5, "The database file is locked"},
      {8, "Attempt to write a readonly database"},
      {12, "(Internal Only) Table or record not found"},
      {19, "Abort due to contraint violation"},
      {26, "File opened that is not a database file"},
      {100, "sqlite3_step() has another row ready"},
      {101, "sqlite3_step() has finished executing"},
      {27, "Unknown SQLite Error Code \"27\""},
      {-1, "Unknown SQLite Error Code \"-1\""},
      {266, "Unknown SQLite Error Code \"266\""},
  };
  for (const auto& [code, text] : cases) EXPECT_EQ(SqliteErrorDescription(code), text) << code;
}

TEST_F(SqliteDatabaseTest, FailuresCarryBaseTextCodeStatementAndMessage) {
  const fs::path file = Make("a.sqlite", "create table t (x integer); insert into t values (1);");
  SqliteDatabase db(Utf8(file));
  EXPECT_EQ(Raised([&] { db.RunStatement("DELETE FROM nowhere"); }),
            "Error executing SQL.\rError [1]: SQL error or missing database.\r"
            "\"DELETE FROM nowhere\": no such table: nowhere");
  EXPECT_EQ(Raised([&] { db.QueryTable("select * from nowhere"); }),
            "Error executing SQL.\rError [1]: SQL error or missing database.\r"
            "\"select * from nowhere\": no such table: nowhere");
  // A statement that yields a row is not run to completion; nothing is
  // wrong in the library, so the base text stands alone.
  EXPECT_EQ(Raised([&] { db.RunStatement("select x from t"); }), "Error executing SQL statement");
  // Only whitespace: the library prepares no statement at all.
  EXPECT_EQ(Raised([&] { db.RunStatement("   "); }), "Could not prepare SQL statement");
  // A value that overflows while rows are read.
  EXPECT_EQ(Raised([&] { db.QueryTable("select abs(-9223372036854775807 - x) from t"); }),
            "Could not retrieve data.\rError [1]: SQL error or missing database.\r"
            "\"select abs(-9223372036854775807 - x) from t\": integer overflow");

  const std::string missing = Utf8(folder_ / "missing.sqlite");
  EXPECT_EQ(Raised([&] { SqliteDatabase gone(missing); }),
            "Failed to open database \"" + missing + "\" : unable to open database file");
  EXPECT_FALSE(fs::exists(folder_ / "missing.sqlite"));  // never created
}

TEST_F(SqliteDatabaseTest, QueryKeepsRowsWithKindsFromTheDeclaredTypes) {
  const fs::path file = Make("kinds.sqlite",
                             "create table t (i INTEGER, b BOOLEAN, f REAL, n NUMERIC, s TEXT, "
                             "v varchar(9), o BLOB, l double);"
                             "insert into t values (7, 1, 2.5, 3, 'x', 'y', x'0102', 9);"
                             "insert into t values (NULL, 0, NULL, 1, NULL, 'z', x'', NULL);");
  SqliteDatabase db(Utf8(file));
  const auto table = db.QueryTable("select i, b, f, n, s, v, o, l, i + 1 as Sum from t");
  ASSERT_EQ(table->RowCount(), 2);
  EXPECT_EQ(table->ColumnNames(),
            (std::vector<std::string>{"I", "B", "F", "N", "S", "V", "O", "L", "SUM"}));
  // "double" in lower case is not "DOUBLE": text. The expression has no
  // declared type and takes the first row's storage class.
  const std::vector<SqliteKind> kinds = {
      SqliteKind::Integer, SqliteKind::Integer, SqliteKind::Float,
      SqliteKind::Float,   SqliteKind::Text,    SqliteKind::Text,
      SqliteKind::Blob,    SqliteKind::Text,    SqliteKind::Integer};
  for (int c = 0; c < table->ColumnCount(); ++c) EXPECT_EQ(table->ColumnKind(c), kinds[c]) << c;
  EXPECT_EQ(table->Value(0, 0), SqliteValue(std::int64_t{7}));
  EXPECT_EQ(table->Value(0, 2), SqliteValue(2.5));
  EXPECT_EQ(table->Value(0, 3), SqliteValue(3.0));
  EXPECT_EQ(table->Value(0, 5), SqliteValue(std::string("y")));
  EXPECT_EQ(table->Value(0, 6), SqliteValue(std::vector<std::uint8_t>{1, 2}));
  EXPECT_EQ(table->Value(0, 7), SqliteValue(std::string("9.0")));
  EXPECT_EQ(table->Value(0, 8), SqliteValue(std::int64_t{8}));
  for (int c : {0, 2, 4, 6, 7, 8}) {
    EXPECT_TRUE(std::holds_alternative<std::monostate>(table->Value(1, c))) << c;
  }
  EXPECT_THROW((void)table->Value(2, 0), std::out_of_range);
}

TEST_F(SqliteDatabaseTest, TablesAreFoundWithoutRegardToCase) {
  const fs::path file = Make("places.sqlite",
                             "create table moz_places (id integer primary key);"
                             "create view moz_view as select 1;");
  SqliteDatabase db(Utf8(file));
  EXPECT_TRUE(db.HasTable("MOZ_PLACES"));
  EXPECT_TRUE(db.HasTable("moz_places"));
  EXPECT_FALSE(db.HasTable("moz_view"));  // a view is not a table
  EXPECT_FALSE(db.HasTable("moz_bookmarks"));
  EXPECT_FALSE(db.HasTable("x' or '1'='1"));  // a quote stays inside the name
}

TEST_F(SqliteDatabaseTest, LocksOfAnotherConnectionRaiseAtOnce) {
  const fs::path file = Make("locked.sqlite",
                             "create table logins (id integer);"
                             "insert into logins values (1);");
  {
    RawConnection other(file);
    ASSERT_EQ(other.Exec("BEGIN EXCLUSIVE"), SQLITE_OK);
    SqliteDatabase db(Utf8(file));
    EXPECT_EQ(
        Raised([&] {
          db.HasTable("logins");
        }).rfind("Could not prepare SQL statement.\rError [5]: The database file is locked.", 0),
        0u);
  }
  RawConnection writer(file);
  ASSERT_EQ(writer.Exec("BEGIN IMMEDIATE; insert into logins values (2);"), SQLITE_OK);
  SqliteDatabase db(Utf8(file));
  EXPECT_TRUE(db.HasTable("logins"));
  EXPECT_EQ(Raised([&] { db.RunStatement("DELETE FROM logins"); }),
            "Error executing SQL statement.\rError [5]: The database file is locked.\r"
            "\"DELETE FROM logins\": database is locked");
}

TEST_F(SqliteDatabaseTest, AnUntrustedFileCannotChangeItsSchemaThroughSql) {
  const fs::path file = Make("guarded.sqlite", "create table t (x integer);");
  SqliteDatabase db(Utf8(file));
  EXPECT_EQ(db.QueryTable("pragma trusted_schema")->Value(0, 0), SqliteValue(std::int64_t{0}));
  // Defensive mode ignores the switch that would make the schema table
  // writable.
  db.RunStatement("pragma writable_schema = on");
  EXPECT_NE(Raised([&] {
              db.RunStatement("update sqlite_master set sql = 'x'");
            }).find("may not be modified"),
            std::string::npos);
  EXPECT_TRUE(db.HasTable("t"));
}

TEST_F(SqliteDatabaseTest, TheTimeLimitCountsForEachStatementAlone) {
  const fs::path file = Make("endless.sqlite", kEndlessTrigger);
  const std::string finite =
      "with recursive n(i) as (select 1 union all select i + 1 from n where i < 300000) "
      "select count(*) from n";
  // What the finite query costs on this clock.
  CountingClock clock;
  {
    SqliteDatabase measure(Utf8(file), false,
                           {.stopRequested = {}, .clock = &clock, .statementLimitMs = ~0ull >> 1});
    (void)measure.QueryTable(finite);
  }
  const std::uint64_t cost = clock.tick_;
  ASSERT_GT(cost, 20u);
  // Twice the query fits a limit of one and a half times its cost only
  // when each statement is timed from its own start. (An odd limit is
  // never whole seconds.)
  const std::uint64_t limit = (cost * 3 / 2) | 1;
  SqliteDatabase db(Utf8(file), false,
                    {.stopRequested = {}, .clock = &clock, .statementLimitMs = limit});
  EXPECT_EQ(db.QueryTable(finite)->Value(0, 0), SqliteValue(std::int64_t{300000}));
  EXPECT_EQ(db.QueryTable(finite)->Value(0, 0), SqliteValue(std::int64_t{300000}));
  EXPECT_EQ(Raised([&] { db.RunStatement("DELETE FROM t"); }),
            "Error executing SQL statement.\rError [9]: Operation terminated by "
            "sqlite3_interrupt().\r\"DELETE FROM t\": interrupted\rThe statement ran longer than " +
                std::to_string(limit) + " ms and was stopped.");
  // The connection is usable after the stop, and the rows are all there.
  EXPECT_EQ(db.QueryTable("select * from t")->RowCount(), 2);
}

}  // namespace
}  // namespace nc::cleaner
