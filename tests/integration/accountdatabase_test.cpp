#include "account/accountdatabase.h"
#include "account/accountschema.h"
#include "support/scratchdir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

constexpr std::string_view kPlainHeader("SQLite format 3\0", 16);

// A second connection to the file, with the client's key.
int Count(const std::string& path, const std::string& query)
{
    CppSQLite3DB db;
    db.open(path);
    db.key(AccountDatabaseKey());
    return db.execScalar(query);
}

} // namespace

class AccountDatabaseTest : public ::testing::Test
{
protected:
    std::string Directory() const { return scratch.Path().string() + "/"; }
    std::string Path() const { return Directory() + AccountDatabase::kFileName; }

    ScratchDir scratch;
    AccountDatabase database;
};

TEST_F(AccountDatabaseTest, CreatesAnEncryptedOwnerOnlyFileAndOpensItAgain)
{
    ASSERT_EQ(OpenAccountDatabase(database, Directory()), AccountDatabaseOpen::Open);
    EXPECT_TRUE(database.IsOpen());
    EXPECT_EQ(Count(Path(), "select count(*) from sqlite_master where type='table' and name "
                            "not like 'sqlite_%'"),
              14);
    EXPECT_EQ(database.Execute("insert into StatisLoginTable(uuid) values('u')"), 1);
    EXPECT_EQ(database.Execute("insert into ChanelPanelTable(name) values('n')"), -1); // not null

    // Existing tables: every CREATE changes nothing, each is found by the count query.
    database.Close();
    EXPECT_EQ(database.Execute("delete from StatisLoginTable"), -1);
    ASSERT_TRUE(database.Open(Path()));
    EXPECT_EQ(database.Execute("delete from StatisLoginTable"), 1);
    EXPECT_EQ(database.Execute(""), 0);
    EXPECT_TRUE(database.Open(Path())); // already open

    EXPECT_NE(ReadFileBytes(Path()).substr(0, kPlainHeader.size()), kPlainHeader);
    struct stat info
    {
    };
    ASSERT_EQ(::stat(Path().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST_F(AccountDatabaseTest, EveryTableHasItsColumnsInOrder)
{
    ASSERT_EQ(AccountTables().size(), 14u);
    EXPECT_EQ(AccountTables()[5].name, "UserSystemTable");
    EXPECT_EQ(AccountTables()[5].createStatement,
              "CREATE TABLE IF NOT EXISTS UserSystemTable(id integer primary key "
              "autoincrement,\tcreate_time not null default "
              "(datetime(CURRENT_TIMESTAMP,'localtime')),\tuserID text,\tnickname text,\ttgc "
              "text,\theadIcon text)");
    EXPECT_NE(AccountTables()[12].createStatement.find("client_time not null"), std::string::npos);
    EXPECT_NE(
        AccountTables()[0].createStatement.find("showTime text,\tholdone text,\tholdtow text"),
        std::string::npos);
    EXPECT_NE(AccountTables()[10].createStatement.find("miniVer text,\tsoftVersion text,\tuser_id "
                                                       "text)"),
              std::string::npos);
}

TEST_F(AccountDatabaseTest, FileWithAnotherKeyIsDeletedAndRecreated)
{
    {
        CppSQLite3DB other;
        other.open(Path());
        other.key("another key");
        other.execDML("create table marker(x)");
    }
    EXPECT_FALSE(database.Open(Path()));
    database.Close();

    ASSERT_EQ(OpenAccountDatabase(database, Directory()), AccountDatabaseOpen::Open);
    EXPECT_EQ(database.Execute("select * from marker"), -1);
    EXPECT_EQ(database.Execute("insert into UserSystemTable(userID) values('1')"), 1);
}

TEST_F(AccountDatabaseTest, RunsWithoutDatabaseWhenNoAttemptSucceeds)
{
    EXPECT_EQ(OpenAccountDatabase(database, ""), AccountDatabaseOpen::NoDataDirectory);
    EXPECT_EQ(OpenAccountDatabase(database, Directory() + "missing/"),
              AccountDatabaseOpen::Unavailable);
    EXPECT_FALSE(database.IsOpen());
    EXPECT_EQ(database.Execute("select 1"), -1);
    EXPECT_FALSE(database.InsertUser("1", "n", "h"));
    EXPECT_FALSE(database.DeleteUsers());
}

TEST_F(AccountDatabaseTest, UserRowKeepsQuotesAsTheyAre)
{
    ASSERT_EQ(OpenAccountDatabase(database, Directory()), AccountDatabaseOpen::Open);
    ASSERT_EQ(database.Execute("create table x(y)"), 0);
    const std::string nickname = "O'Brien\"; drop table x;--";
    ASSERT_TRUE(database.InsertUser("1001", "old", "http://h/1.png"));
    ASSERT_TRUE(database.DeleteUsers());
    ASSERT_TRUE(database.InsertUser("1001", nickname, "http://h/2.png"));

    EXPECT_EQ(Count(Path(), "select count(*) from UserSystemTable"), 1);
    EXPECT_EQ(Count(Path(), "select count(*) from UserSystemTable where userID='1001' and "
                            "nickname='O''Brien\"; drop table x;--' and tgc is null and "
                            "headIcon='http://h/2.png'"),
              1);
    EXPECT_EQ(Count(Path(), "select count(*) from sqlite_master where name='x'"), 1);
}

TEST(CppSQLite3Test, ErrorsCarryTheirCodeAndMessage)
{
    CppSQLite3DB db;
    try {
        db.execDML("select 1");
        ADD_FAILURE() << "a closed database ran a statement";
    } catch (const CppSQLite3Exception& error) {
        EXPECT_EQ(error.Code(), CppSQLite3Exception::kNotOpen);
        EXPECT_EQ(error.Message(), "Database not open");
    }
    db.open(":memory:");
    EXPECT_EQ(db.execScalar("select 41 + 1"), 42);
    try {
        db.execScalar("select 1 where 0");
        ADD_FAILURE() << "an empty result gave a value";
    } catch (const CppSQLite3Exception& error) {
        EXPECT_EQ(error.Message(), "Invalid scalar query");
    }
    EXPECT_THROW(db.execDML("no such statement"), CppSQLite3Exception);
}
