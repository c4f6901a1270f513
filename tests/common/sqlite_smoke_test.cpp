// The SQLite library each build links against opens, stores and reads back.
#include <sqlite3.h>

#include <memory>
#include <string>

#include <gtest/gtest.h>

namespace {

struct DbCloser {
  void operator()(sqlite3* db) const { sqlite3_close(db); }
};

TEST(SqliteSmoke, InMemoryDatabaseRoundTripsARow) {
  sqlite3* raw = nullptr;
  ASSERT_EQ(sqlite3_open(":memory:", &raw), SQLITE_OK);
  std::unique_ptr<sqlite3, DbCloser> db(raw);

  sqlite3_stmt* version = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(db.get(), "select sqlite_version()", -1, &version, nullptr),
            SQLITE_OK);
  ASSERT_EQ(sqlite3_step(version), SQLITE_ROW);
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(version, 0));
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(std::string(text), std::string(sqlite3_libversion()));
  EXPECT_FALSE(std::string(text).empty());
  // The workers of the program reach the database from their own threads.
  EXPECT_NE(sqlite3_threadsafe(), 0);
  sqlite3_finalize(version);

  char* error = nullptr;
  ASSERT_EQ(sqlite3_exec(db.get(),
                         "create table moz_cookies (id integer primary key, host text, size int);"
                         "insert into moz_cookies (host, size) values ('example.org', 4096);",
                         nullptr, nullptr, &error),
            SQLITE_OK)
      << (error != nullptr ? error : "");

  sqlite3_stmt* select = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(db.get(), "select host, size from moz_cookies where id = ?1", -1,
                               &select, nullptr),
            SQLITE_OK);
  ASSERT_EQ(sqlite3_bind_int64(select, 1, sqlite3_last_insert_rowid(db.get())), SQLITE_OK);
  ASSERT_EQ(sqlite3_step(select), SQLITE_ROW);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(sqlite3_column_text(select, 0))),
            "example.org");
  EXPECT_EQ(sqlite3_column_int64(select, 1), 4096);
  EXPECT_EQ(sqlite3_step(select), SQLITE_DONE);
  sqlite3_finalize(select);
}

}  // namespace
