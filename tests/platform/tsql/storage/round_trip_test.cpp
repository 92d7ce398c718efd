// A database written to its file and loaded again is the same database:
// every value exactly, every definition (types, identity, defaults, keys,
// indexes), and the behaviour that hangs on them; whether it is loaded from a
// checkpointed image or from its log's records replayed over the image they
// started from.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/tsql/catalog/table_set.h"
#include "platform/tsql/exec/session_impl.h"
#include "platform/tsql/storage/file_databases.h"
#include "platform/tsql/storage/storage_support.h"

namespace mls::tsql {
namespace {

using testing::errorOf;
using testing::rows;
using testing::scalar;

// Whether a reopen loads the image of a checkpoint or replays the log.
enum class Load { Image, Log };

class RoundTripTest : public ::testing::TestWithParam<Load> {
 protected:
  // Lets go of the database (checkpointing it, or leaving the log) and loads
  // it from the file.
  void reopen() {
    db_.reset();
    ASSERT_TRUE(storage::letGo(path_, GetParam() == Load::Log));
    if (GetParam() == Load::Log) {
      EXPECT_GT(std::filesystem::file_size(path_ + "-wal"), 32u);
    }
    db_ = testing::openOrCreate(path_);
  }
  std::shared_ptr<Table> table(const std::string& name) { return db_->impl().permanent().find(name); }

  testing::ScratchFolder folder_;
  std::string path_ = folder_.file("round.mlsdb");
  std::shared_ptr<Database> db_ = testing::openOrCreate(path_);
};

constexpr const char* kEveryType = R"(
CREATE TABLE everything (
  id INT IDENTITY(100, 5) NOT NULL,
  b BIT NULL, ti TINYINT, si SMALLINT, i INT, bi BIGINT,
  d38 DECIMAL(38, 10), n52 NUMERIC(5, 2), f FLOAT, r REAL, m MONEY,
  c CHAR(5), vc VARCHAR(MAX), nc NCHAR(4), nv NVARCHAR(50),
  dt DATETIME, sdt SMALLDATETIME, dd DATE,
  CONSTRAINT PK_everything PRIMARY KEY NONCLUSTERED (id),
  CONSTRAINT UQ_everything_nv UNIQUE CLUSTERED (nv DESC))
CREATE INDEX ix_everything_i ON everything (i, bi)
INSERT everything (b, ti, si, i, bi, d38, n52, f, r, m, c, vc, nc, nv, dt, sdt, dd) VALUES
  (1, 255, -32768, -2147483648, -9223372036854775808, 1234567890123456789012345678.9012345678, -999.99,
   1.7976931348623157E308, 3.4E38, -922337203685477.5808, 'ab', REPLICATE('x', 9000), N'日本', N'中文テキスト😀',
   '1753-01-01T00:00:00', '1900-01-01', '0001-01-01'),
  (0, 0, 32767, 2147483647, 9223372036854775807, -0.0000000001, 0.5, -2.5E-308, -1.5, 0.0001, '', '', N'', N'',
   '9999-12-31 23:59:59.997', '2079-06-06 23:59', '9999-12-31'),
  (NULL, NULL, NULL, 7, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL),
  (1, 1, 1, 7, 1, 1, 1, 0.1, 0.1, 1, 'abcde', 'tab	and
newline', N'ÄÖÜß', N'zz', '2024-02-29 12:34:56.787', '2024-02-29 12:35', '2024-02-29')
)";

TEST_P(RoundTripTest, EveryValueAndColumnComesBackExactly) {
  BatchResult before;
  {
    Session s(db_);
    s.execute(kEveryType);
    before = s.execute("SELECT * FROM everything");
  }
  ASSERT_EQ(before.items.back().rowset.rows.size(), 4u);
  reopen();
  Session after(db_);
  BatchResult again = after.execute("SELECT * FROM everything");
  const Rowset& a = before.items.back().rowset;
  const Rowset& b = again.items.back().rowset;
  ASSERT_EQ(a.columns.size(), b.columns.size());
  for (size_t c = 0; c < a.columns.size(); ++c) {
    EXPECT_EQ(a.columns[c].name, b.columns[c].name);
    EXPECT_EQ(a.columns[c].type, b.columns[c].type) << a.columns[c].name;
    EXPECT_EQ(a.columns[c].nullable, b.columns[c].nullable) << a.columns[c].name;
  }
  // Storage order (the clustered key, descending) and every value bit for bit.
  ASSERT_EQ(a.rows.size(), b.rows.size());
  for (size_t r = 0; r < a.rows.size(); ++r) {
    for (size_t c = 0; c < a.columns.size(); ++c) {
      EXPECT_TRUE(a.rows[r][c].identical(b.rows[r][c]))
          << "row " << r << " " << a.columns[c].name << ": " << a.rows[r][c].debugString() << " vs "
          << b.rows[r][c].debugString();
    }
  }
}

TEST_P(RoundTripTest, KeysIndexesAndObjectIdsSurvive) {
  {
    Session s(db_);
    s.execute(kEveryType);
  }
  std::shared_ptr<Table> t = table("everything");
  const int32_t id = t->id();
  const std::vector<IndexDef> indexes = t->indexes();
  const DateTime created = t->created();
  reopen();
  t = table("everything");
  ASSERT_TRUE(t);
  EXPECT_EQ(t->id(), id);
  EXPECT_EQ(t->created(), created);
  ASSERT_EQ(t->indexes().size(), indexes.size());
  for (size_t i = 0; i < indexes.size(); ++i) {
    const IndexDef& x = indexes[i];
    const IndexDef& y = t->indexes()[i];
    EXPECT_EQ(x.name, y.name);
    EXPECT_EQ(x.unique, y.unique);
    EXPECT_EQ(x.clustered, y.clustered);
    EXPECT_EQ(x.origin, y.origin);
    EXPECT_EQ(x.constraintId, y.constraintId);
    EXPECT_EQ(x.indid, y.indid);
    ASSERT_EQ(x.keys.size(), y.keys.size());
    for (size_t k = 0; k < x.keys.size(); ++k) {
      EXPECT_EQ(x.keys[k].column, y.keys[k].column);
      EXPECT_EQ(x.keys[k].descending, y.keys[k].descending);
    }
  }

  Session s(db_);
  // Unique keys are enforced from the loaded rows, the non-unique index finds them.
  EXPECT_EQ(errorOf(s, "INSERT everything (nv) VALUES (N'zz')"), 2627);
  EXPECT_EQ(errorOf(s, "INSERT everything (nv) VALUES (NULL)"), 2627);  // one NULL taken already
  EXPECT_EQ(scalar(s, "SELECT COUNT(*) FROM everything WHERE i = 7 AND bi = 1").asInt(), 1);
  EXPECT_EQ(scalar(s, "SELECT COUNT(*) FROM everything WHERE i = 7").asInt(), 2);
  // New objects take fresh ids.
  s.execute("CREATE TABLE later (a INT CONSTRAINT PK_later PRIMARY KEY)");
  std::shared_ptr<Table> later = table("later");
  EXPECT_GT(later->id(), id);
  for (const IndexDef& d : indexes)
    EXPECT_NE(later->indexes()[0].constraintId, d.constraintId);
  EXPECT_EQ(errorOf(s, "CREATE TABLE x (a INT CONSTRAINT PK_everything PRIMARY KEY)"), 2714);
}

TEST_P(RoundTripTest, IdentityContinuesWhereItStood) {
  {
    Session s(db_);
    s.execute(
        "CREATE TABLE used (id INT IDENTITY(100, 5), v INT) INSERT used (v) VALUES (1), (2) "
        "DELETE used WHERE v = 2 "
        "CREATE TABLE fresh (id BIGINT IDENTITY(-10, -3), v INT) "
        "CREATE TABLE emptied (id DECIMAL(12, 0) IDENTITY(7, 1), v INT) INSERT emptied (v) VALUES (1) "
        "TRUNCATE TABLE emptied");
  }
  EXPECT_EQ(table("used")->identityCurrent(), 105);
  reopen();
  Session s(db_);
  EXPECT_EQ(table("used")->identityCurrent(), 105);
  s.execute("INSERT used (v) VALUES (3) INSERT fresh (v) VALUES (1) INSERT emptied (v) VALUES (1)");
  EXPECT_EQ(scalar(s, "SELECT id FROM used WHERE v = 3").asInt(), 110);
  EXPECT_EQ(scalar(s, "SELECT id FROM fresh").asInt(), -10);  // never used: the seed itself
  EXPECT_EQ(scalar(s, "SELECT id FROM emptied").debugString(), "7");
}

TEST_P(RoundTripTest, DefaultsKeepTheirMeaningAndNames) {
  {
    Session s(db_);
    s.execute(
        "CREATE TABLE d (k INT NOT NULL,"
        " a INT CONSTRAINT DF_d_a DEFAULT (-1),"
        " b NVARCHAR(20) DEFAULT N'日本''s',"
        " c DECIMAL(10, 2) DEFAULT (12.50 * 2),"
        " e VARCHAR(10) DEFAULT CASE WHEN 1 = 1 THEN 'yes' ELSE 'no' END,"
        " f FLOAT DEFAULT 1.5E3,"
        " g INT DEFAULT CAST('7' AS INT) + ABS(-3),"
        " h DATETIME DEFAULT CONVERT(DATETIME, '2001-02-03', 120),"
        " n DATETIME DEFAULT GETDATE())");
  }
  const int32_t dfId = table("d")->column(1).defaultId;
  const std::string generated = table("d")->column(2).defaultName;
  reopen();
  EXPECT_EQ(table("d")->column(1).defaultName, "DF_d_a");
  EXPECT_EQ(table("d")->column(1).defaultId, dfId);
  EXPECT_EQ(table("d")->column(2).defaultName, generated);
  Session s(db_);
  s.execute("INSERT d (k) VALUES (1)");
  auto r = rows(s, "SELECT a, b, c, e, f, g, h, CASE WHEN n IS NULL THEN 0 ELSE 1 END FROM d");
  ASSERT_EQ(r.size(), 1u);
  std::vector<std::string> got;
  for (const Value& v : r[0])
    got.push_back(v.debugString());
  EXPECT_EQ(got, (std::vector<std::string>{
                     "-1", "'日本's'", "25.00", "'yes'", "1500", "10",
                     scalar(s, "SELECT CONVERT(DATETIME, '2001-02-03', 120)").debugString(), "1"}));
  s.execute("ALTER TABLE d DROP CONSTRAINT DF_d_a INSERT d (k) VALUES (2)");
  EXPECT_TRUE(scalar(s, "SELECT a FROM d WHERE k = 2").isNull());
}

TEST_P(RoundTripTest, ViewsComeBackAndDroppedObjectsStayDropped) {
  {
    Session s(db_);
    s.execute(
        "CREATE TABLE base (k INT, amt DECIMAL(9,2)) INSERT base VALUES (1, 2.50), (2, NULL)\n"
        "CREATE VIEW priced (key_no, amount) AS SELECT k, amt FROM base WHERE amt IS NOT NULL;\n"
        "CREATE VIEW gone AS SELECT k FROM base\n"
        "CREATE TABLE goneTable (a INT)");
  }
  reopen();
  {
    Session s(db_);
    EXPECT_EQ(rows(s, "SELECT key_no, amount FROM priced").size(), 1u);
    EXPECT_EQ(scalar(s, "SELECT VIEW_DEFINITION FROM INFORMATION_SCHEMA.VIEWS WHERE TABLE_NAME = 'priced'")
                  .asString(),
              "CREATE VIEW priced (key_no, amount) AS SELECT k, amt FROM base WHERE amt IS NOT NULL");
    s.execute("DROP VIEW gone DROP TABLE goneTable");
  }
  reopen();
  Session s(db_);
  EXPECT_EQ(errorOf(s, "SELECT * FROM gone"), 208);
  EXPECT_EQ(errorOf(s, "SELECT * FROM goneTable"), 208);
  EXPECT_EQ(scalar(s, "SELECT amount FROM priced WHERE key_no = 1").asDecimal().toString(), "2.50");
}

// A procedure comes back from its text: its parameters, defaults, OUTPUT and
// status, its lines (the text from the batch's first line), ALTER's new body;
// a dropped one stays dropped.
TEST_P(RoundTripTest, ProceduresComeBackAndRunAsBefore) {
  const std::string twice =
      "-- doubles @x\n"
      "CREATE PROCEDURE Twice @x INT, @y DECIMAL(9, 2) = 1.5 OUTPUT AS\n"
      "SET @y = @x * @y\n"
      "IF @x < 0 RAISERROR ('negative', 16, 1)\n"
      "RETURN @x + 1";
  {
    Session s(db_);
    s.execute(twice);
    s.execute("CREATE PROC Gone AS SELECT 1");
    s.execute("CREATE PROC Changed AS SELECT 'old'");
    s.execute("ALTER PROC Changed AS SELECT 'new'");
    s.execute("DROP PROC Gone");
  }
  reopen();
  {
    Session s(db_);
    auto r = rows(s, "DECLARE @y DECIMAL(9, 2) = 2, @rc INT EXEC @rc = Twice 3, @y OUTPUT SELECT @y, @rc");
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0][0].asDecimal().toString(), "6.00");
    EXPECT_EQ(r[0][1].asInt(), 4);
    EXPECT_EQ(testing::raised([&] { s.execute("EXEC Twice -1"); }).line(), 4);
    EXPECT_EQ(scalar(s, "SELECT definition FROM sys.sql_modules WHERE object_id = OBJECT_ID('Twice', 'P')")
                  .asString(),
              twice);
    EXPECT_EQ(scalar(s, "EXEC Changed").asString(), "new");
    EXPECT_EQ(errorOf(s, "EXEC Gone"), 2812);
    s.execute("DROP PROCEDURE Twice");
  }
  reopen();
  Session s(db_);
  EXPECT_EQ(errorOf(s, "EXEC Twice 1"), 2812);
  EXPECT_EQ(scalar(s, "SELECT COUNT(*) FROM sysobjects WHERE xtype = 'P'").asInt(), 1);
}

INSTANTIATE_TEST_SUITE_P(Storage, RoundTripTest, ::testing::Values(Load::Image, Load::Log),
                         [](const auto& info) { return info.param == Load::Image ? "Image" : "Log"; });

}  // namespace
}  // namespace mls::tsql
