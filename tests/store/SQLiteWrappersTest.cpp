// The SQLite wrappers on a real file: result codes without a connection, statement
// reuse after a failed step, closing with a live statement, the journal set-up and
// the scoped transaction.
#include <gtest/gtest.h>

#include <string>

#include "app/store/SQLiteAutoTransaction.h"
#include "app/store/SQLiteDB.h"
#include "app/store/SQLiteStatement.h"
#include "tests/support/TestSupport.h"

namespace KeyForge {
namespace {

using TestUtil::TempDir;

int CountRows(SQLiteDB& db, const char* table) {
    SQLiteStatement st;
    db.Prepare(st, (std::string("SELECT count(*) FROM ") + table).c_str());
    return st.Step() == kSqliteRow ? st.ColumnInt(0) : -1;
}

std::string PragmaText(SQLiteDB& db, const char* pragma) {
    SQLiteStatement st;
    db.Prepare(st, pragma);
    return st.Step() == kSqliteRow ? st.ColumnString(0) : "";
}

TEST(SQLiteWrappers, WithoutConnectionEverythingIsMisuse) {
    SQLiteDB db;
    SQLiteStatement st;
    EXPECT_FALSE(db.IsOpen());
    EXPECT_TRUE(db.Close()) << "nothing to close";
    EXPECT_EQ(db.Prepare(st, "SELECT 1"), kSqliteMisuse);
    EXPECT_EQ(db.Execute("SELECT 1"), kSqliteMisuse);
    EXPECT_EQ(db.LastInsertRowId(), -1);
    EXPECT_EQ(st.BindInt(1, 5), kSqliteMisuse);
    EXPECT_EQ(st.BindText(1, "x"), kSqliteMisuse);
    EXPECT_EQ(st.Step(), kSqliteMisuse);
    EXPECT_EQ(st.ColumnInt(0), 0);
    EXPECT_EQ(st.ColumnText(0), nullptr);
    EXPECT_EQ(st.ColumnString(0), "");
}

TEST(SQLiteWrappers, OpenFailsForMissingFileWithoutCreate) {
    TempDir dir;
    SQLiteDB db;
    EXPECT_FALSE(db.Open(dir / "missing.db", kSqliteOpenExisting));
    EXPECT_FALSE(db.IsOpen());
    EXPECT_FALSE(TestUtil::ReadFile(dir / "missing.db").size() > 0);
    EXPECT_TRUE(db.Open(dir / "new.db", kSqliteOpenCreate));
    EXPECT_TRUE(db.IsOpen());
}

TEST(SQLiteWrappers, OpenUsesWriteAheadLogSyncedAtCheckpoints) {
    TempDir dir;
    SQLiteDB db;
    ASSERT_TRUE(db.Open(dir / "a.db", kSqliteOpenCreate));
    EXPECT_EQ(PragmaText(db, "PRAGMA journal_mode"), "wal");
    EXPECT_EQ(PragmaText(db, "PRAGMA synchronous"), "1") << "1 is NORMAL";
}

TEST(SQLiteWrappers, PrepareWithoutTextIsMisuseAndDropsTheOldStatement) {
    TempDir dir;
    SQLiteDB db;
    ASSERT_TRUE(db.Open(dir / "a.db", kSqliteOpenCreate));
    SQLiteStatement st;
    ASSERT_EQ(db.Prepare(st, "SELECT 1"), kSqliteOk);
    EXPECT_TRUE(st.HasHandle());
    EXPECT_EQ(db.Prepare(st, nullptr), kSqliteMisuse);
    EXPECT_FALSE(st.HasHandle());
    EXPECT_NE(db.Prepare(st, "SELECT * FROM no_such_table"), kSqliteOk);
    EXPECT_FALSE(st.HasHandle());
    EXPECT_EQ(st.BindInt(1, 1), kSqliteMisuse);
    EXPECT_EQ(st.Step(), kSqliteMisuse);
}

TEST(SQLiteWrappers, StatementIsReusableAfterAFailedStep) {
    // Finalising a statement whose step failed reports that failure; the handle is
    // gone all the same and must not be finalised a second time.
    TempDir dir;
    SQLiteDB db;
    ASSERT_TRUE(db.Open(dir / "a.db", kSqliteOpenCreate));
    ASSERT_EQ(db.Execute("CREATE TABLE t(id INTEGER PRIMARY KEY, v TEXT UNIQUE)"), kSqliteOk);
    SQLiteStatement st;
    for (int attempt = 0; attempt < 2; ++attempt) {
        ASSERT_EQ(db.Prepare(st, "INSERT INTO t(v) VALUES (?)"), kSqliteOk);
        st.BindText(1, "same");
        EXPECT_EQ(st.Step(), attempt == 0 ? kSqliteDone : 19) << "19 is a constraint failure";
    }
    EXPECT_EQ(st.Finalize(), 19) << "the finalise repeats the step's failure";
    EXPECT_FALSE(st.HasHandle());
    EXPECT_EQ(st.Finalize(), kSqliteOk) << "nothing left to finalise";
    ASSERT_EQ(db.Prepare(st, "SELECT v FROM t"), kSqliteOk);
    ASSERT_EQ(st.Step(), kSqliteRow);
    EXPECT_STREQ(st.ColumnText(0), "same");
    st.Finalize();
    EXPECT_TRUE(db.Close());
}

TEST(SQLiteWrappers, TextBindsKeepTheirBytesAndEmptyIsNotNull) {
    TempDir dir;
    SQLiteDB db;
    ASSERT_TRUE(db.Open(dir / "a.db", kSqliteOpenCreate));
    ASSERT_EQ(db.Execute("CREATE TABLE t(v TEXT)"), kSqliteOk);
    const std::string withNul("a\0b", 3);
    for (std::string_view text : {std::string_view(), std::string_view(withNul), std::string_view("\xE6\xB8\xB8")}) {
        SQLiteStatement st;
        db.Prepare(st, "INSERT INTO t(v) VALUES (?)");
        st.BindText(1, text);
        EXPECT_EQ(st.Step(), kSqliteDone);
    }
    EXPECT_EQ(CountRows(db, "t WHERE v IS NULL"), 0);
    SQLiteStatement st;
    db.Prepare(st, "SELECT v FROM t ORDER BY rowid");
    ASSERT_EQ(st.Step(), kSqliteRow);
    EXPECT_EQ(st.ColumnString(0), "");
    ASSERT_EQ(st.Step(), kSqliteRow);
    EXPECT_EQ(st.ColumnString(0), withNul);
    ASSERT_EQ(st.Step(), kSqliteRow);
    EXPECT_EQ(st.ColumnString(0), "\xE6\xB8\xB8");
}

TEST(SQLiteWrappers, CloseFailsWhileAStatementLivesAndKeepsTheConnection) {
    TempDir dir;
    SQLiteDB db;
    ASSERT_TRUE(db.Open(dir / "a.db", kSqliteOpenCreate));
    SQLiteStatement st;
    ASSERT_EQ(db.Prepare(st, "SELECT 1"), kSqliteOk);
    EXPECT_FALSE(db.Close());
    EXPECT_TRUE(db.IsOpen());
    EXPECT_EQ(db.Execute("SELECT 1"), kSqliteOk);
    st.Finalize();
    EXPECT_TRUE(db.Close());
    EXPECT_FALSE(db.IsOpen());
}

TEST(SQLiteWrappers, OpenReplacesTheOpenConnection) {
    TempDir dir;
    SQLiteDB db;
    ASSERT_TRUE(db.Open(dir / "a.db", kSqliteOpenCreate));
    ASSERT_EQ(db.Execute("CREATE TABLE only_in_a(x)"), kSqliteOk);
    ASSERT_TRUE(db.Open(dir / "b.db", kSqliteOpenCreate));
    EXPECT_NE(db.Execute("SELECT * FROM only_in_a"), kSqliteOk);
}

TEST(SQLiteWrappers, LastInsertRowId) {
    TempDir dir;
    SQLiteDB db;
    ASSERT_TRUE(db.Open(dir / "a.db", kSqliteOpenCreate));
    ASSERT_EQ(db.Execute("CREATE TABLE t(id INTEGER PRIMARY KEY, v)"), kSqliteOk);
    ASSERT_EQ(db.Execute("INSERT INTO t(id, v) VALUES (41, 1)"), kSqliteOk);
    ASSERT_EQ(db.Execute("INSERT INTO t(v) VALUES (2)"), kSqliteOk);
    EXPECT_EQ(db.LastInsertRowId(), 42);
}

TEST(SQLiteWrappers, TransactionBegunByConstructorEndsOnceAndCommits) {
    TempDir dir;
    SQLiteDB db;
    ASSERT_TRUE(db.Open(dir / "a.db", kSqliteOpenCreate));
    ASSERT_EQ(db.Execute("CREATE TABLE t(v)"), kSqliteOk);
    {
        SQLiteAutoTransaction transaction(&db);
        EXPECT_FALSE(transaction.Begin()) << "the constructor has begun";
        EXPECT_EQ(db.Execute("BEGIN"), 1) << "a transaction is open";
        db.Execute("INSERT INTO t VALUES (1)");
        db.Execute("INSERT INTO no_such_table VALUES (1)");
        db.Execute("INSERT INTO t VALUES (2)");
        EXPECT_TRUE(transaction.End());
        EXPECT_FALSE(transaction.End()) << "nothing left to end";
    }
    EXPECT_EQ(CountRows(db, "t"), 2) << "a failed statement does not stop the others";
    {
        SQLiteAutoTransaction transaction(&db);
        db.Execute("INSERT INTO t VALUES (3)");
    }  // the destructor ends it
    EXPECT_EQ(db.Execute("BEGIN"), kSqliteOk) << "no transaction left open";
    EXPECT_EQ(db.Execute("END"), kSqliteOk);
    EXPECT_EQ(CountRows(db, "t"), 3);
}

TEST(SQLiteWrappers, TransactionInsideAnOpenOneJoinsItAndLeavesTheEndToIt) {
    TempDir dir;
    SQLiteDB db;
    ASSERT_TRUE(db.Open(dir / "a.db", kSqliteOpenCreate));
    ASSERT_EQ(db.Execute("CREATE TABLE t(v)"), kSqliteOk);
    ASSERT_EQ(db.Execute("BEGIN"), kSqliteOk);
    {
        SQLiteAutoTransaction inner(&db);
        db.Execute("INSERT INTO t VALUES (1)");
        EXPECT_TRUE(inner.End());
    }
    EXPECT_TRUE(db.InTransaction()) << "the inner scope did not end the enclosing transaction";
    ASSERT_EQ(db.Execute("ROLLBACK"), kSqliteOk);
    EXPECT_EQ(CountRows(db, "t"), 0) << "the enclosing unit decided";
}

TEST(SQLiteWrappers, TransactionWithoutConnection) {
    SQLiteAutoTransaction none(nullptr);
    EXPECT_FALSE(none.Begin());
    EXPECT_FALSE(none.End());
    SQLiteDB closed;
    SQLiteAutoTransaction onClosed(&closed);
    EXPECT_FALSE(onClosed.Begin()) << "marked active by the constructor";
    EXPECT_FALSE(onClosed.End());
    EXPECT_FALSE(onClosed.Begin()) << "Begin without a connection cannot succeed";
}

}  // namespace
}  // namespace KeyForge
