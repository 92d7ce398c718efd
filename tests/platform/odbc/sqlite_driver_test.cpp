// The provider past its connection, on a real ODBC driver: SQLite's, reached
// through MSDASQL connection strings and registered for these tests alone (see
// this folder's CMakeLists.txt).  The driver runs one statement per execution,
// so batches also cross the provider's statement-at-a-time path.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "platform/ado/connection.h"
#include "platform/ado/errors.h"
#include "platform/ado/recordset.h"
#include "platform/odbc/odbc_provider.h"
#include "support/com_errors.h"

namespace mls::odbc {
namespace {

using ado::DataType;
using ado::ParameterValue;
using com::Variant;
using com::VarKind;
using mls::testing::raisedBy;

constexpr const char* kDriver = "{Marlstone SQLite3}";  // the test-local odbcinst.ini's entry

ParameterValue param(DataType type, Variant value) {
  return {"", type, 0, 0, 0, std::move(value)};
}

class SqliteDriverTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { registerOdbcProviders(); }
  static void TearDownTestSuite() { unregisterOdbcProviders(); }

  void SetUp() override {
    const char* driver = std::getenv("MLS_SQLITE_ODBC_DRIVER");
    const char* scratch = std::getenv("MLS_ODBC_SCRATCH");
    ASSERT_TRUE(driver && scratch) << "run through ctest, which registers the test-local ODBC driver";
    ASSERT_EQ(access(driver, R_OK), 0)
        << "SQLite's ODBC driver " << driver << " is missing: scripts/setup installs libsqliteodbc";
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ =
        std::filesystem::path(scratch) / (std::string(test->name()) + "_" + std::to_string(getpid()) + ".db");
    std::filesystem::remove(path_);
    cn_->open(connectString());
  }
  void TearDown() override {
    if (cn_->state() == ado::kStateOpen) cn_->close();
    std::filesystem::remove(path_);
  }

  std::string connectString() const {
    return std::string("Provider=MSDASQL;Driver=") + kDriver + ";Database=" + path_.string();
  }

  std::filesystem::path path_;
  com::Ref<ado::Connection> cn_ = com::makeObject<ado::Connection>();
};

std::vector<int32_t> ids(ado::Recordset& rs) {
  std::vector<int32_t> out;
  if (rs.recordCount() != 0) rs.moveFirst();
  for (; !rs.eof(); rs.moveNext())
    out.push_back(rs.value(size_t{0}).toLong());
  return out;
}

TEST_F(SqliteDriverTest, BatchCountsComeBeforeTheFirstRowsetAndLaterRowsetsFollow) {
  int64_t affected = 0;
  com::Ref<ado::Recordset> rs = cn_->execute(
      "CREATE TABLE TCost (FItemID INTEGER, FName VARCHAR(20));"
      "INSERT INTO TCost VALUES (1, 'a; b'); INSERT INTO TCost VALUES (2, 'c');"
      "UPDATE TCost SET FName = FName || '!' WHERE FItemID > 0; UPDATE TCost SET FName = '' WHERE FItemID > "
      "9;"
      "SELECT FItemID, FName FROM TCost ORDER BY FItemID DESC;"
      "SELECT FName FROM TCost WHERE FItemID < 0;"
      "DELETE FROM TCost WHERE FItemID = 1; SELECT COUNT(*) AS FCount FROM TCost",
      &affected);
  EXPECT_EQ(affected, 4);
  ASSERT_EQ(rs->state(), ado::kStateOpen);
  EXPECT_EQ(ids(*rs), (std::vector<int32_t>{2, 1}));
  rs->moveLast();
  EXPECT_EQ(rs->value("FName").toString(), "a; b!");

  com::Ref<ado::Recordset> empty = rs->nextRecordset(&affected);
  ASSERT_TRUE(empty);
  EXPECT_EQ(affected, -1);
  EXPECT_TRUE(empty->eof() && empty->bof());
  ASSERT_EQ(empty->fieldCount(), 1u);
  EXPECT_EQ(empty->fieldInfo(0).name, "FName");

  com::Ref<ado::Recordset> count = empty->nextRecordset(&affected);
  ASSERT_TRUE(count);
  EXPECT_EQ(affected, 1);
  EXPECT_EQ(count->value("FCount").toLong(), 1);
  EXPECT_FALSE(count->nextRecordset(&affected));
}

TEST_F(SqliteDriverTest, ValuesRoundTripAsBoundParameters) {
  const double kStamp = com::makeDate(2024, 2, 29, 13, 45, 30) + 123.0 / 86400000;
  struct Case {
    const char* column;  // as declared
    ParameterValue in;
    VarKind kind;
    std::string text;  // what comes back, as text
  };
  const std::string kLong = std::string(3000, 'x') + "Ã©" + std::string(2000, 'y');  // past a read chunk
  const Case cases[] = {
      {"NVARCHAR(60)", param(DataType::VarWChar, Variant("O'Brien'); DROP TABLE T0; --")), VarKind::String,
       "O'Brien'); DROP TABLE T0; --"},
      {"NVARCHAR(60)", param(DataType::VarWChar, Variant("Größe € \xF0\x9F\x93\xA6 漢字")), VarKind::String,
       "Größe € \xF0\x9F\x93\xA6 漢字"},
      {"TEXT", param(DataType::LongVarWChar, Variant(kLong)), VarKind::String, kLong},
      // The driver has no exact decimal type: a decimal goes as exact text and is kept as text.
      {"TEXT", param(DataType::Numeric, Variant(*com::Decimal::parse("12345678901234.1234567891"))),
       VarKind::String, "12345678901234.1234567891"},
      {"TEXT", param(DataType::Currency, Variant(*com::Decimal::parse("-0.0001"))), VarKind::String,
       "-0.0001"},
      {"INTEGER", param(DataType::Integer, Variant(int32_t{-42})), VarKind::Long, "-42"},
      {"BIGINT", param(DataType::BigInt, Variant(*com::Decimal::parse("9007199254740993"))), VarKind::Decimal,
       "9007199254740993"},
      {"FLOAT", param(DataType::Double, Variant(0.1)), VarKind::Double, "0.1"},
      {"BIT", param(DataType::Boolean, Variant(true)), VarKind::Boolean, "True"},
      {"DATE", param(DataType::DBDate, Variant::date(com::makeDate(2024, 1, 15))), VarKind::Date,
       "2024-01-15"},
      {"INTEGER", param(DataType::Integer, Variant::null()), VarKind::Null, ""},
      {"NVARCHAR(10)", param(DataType::VarWChar, Variant()), VarKind::Null, ""},  // Empty binds NULL too
      {"DATETIME", param(DataType::DBTimeStamp, Variant::null()), VarKind::Null, ""},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    std::string table = "T" + std::to_string(i);
    std::vector<ado::BatchItem> items =
        cn_->run("CREATE TABLE " + table + " (FValue " + c.column + "); INSERT INTO " + table +
                     " VALUES (?); SELECT FValue FROM " + table,
                 {c.in}, 0);
    ASSERT_EQ(items.size(), 3u) << c.column;
    ASSERT_TRUE(items[2].isRowset);
    ASSERT_EQ(items[2].rowset.rows.size(), 1u) << c.column;
    const Variant& out = items[2].rowset.rows[0][0];
    EXPECT_EQ(out.kind(), c.kind) << i << ": " << c.column;
    EXPECT_EQ(out.isNull() ? "" : out.toString(), c.text) << i << ": " << c.column;
  }

  // A time of day to the millisecond.
  std::vector<ado::BatchItem> items =
      cn_->run("CREATE TABLE TWhen (FWhen DATETIME); INSERT INTO TWhen VALUES (?); SELECT FWhen FROM TWhen",
               {param(DataType::DBTimeStamp, Variant::date(kStamp))}, 0);
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[2].rowset.columns[0].type, DataType::DBTimeStamp);
  EXPECT_DOUBLE_EQ(items[2].rowset.rows[0][0].toDate(), kStamp);
}

TEST_F(SqliteDriverTest, FailingStatementsRaiseTheDriversNumberAndMessage) {
  struct Case {
    const char* sql;
    std::vector<ParameterValue> params;
    int32_t number;
    const char* says;
  };
  const Case cases[] = {
      {"SELECT * FROM TNope",
       {},
       ado::err::kCommandFailed,
       "no such table: TNope (1) (SQLSTATE HY000, native error 1)"},
      {"CREATE TABLE TOk (F INTEGER); SELECT FNope FROM TOk",
       {},
       ado::err::kCommandFailed,
       "no such column: FNope"},
      {"SELECT ?, ?",
       {param(DataType::Integer, Variant(1))},
       ado::err::kMissingParameters,
       "2 parameter markers"},
  };
  for (const Case& c : cases) {
    com::ComError e = raisedBy([&] { cn_->run(c.sql, c.params, 0); });
    EXPECT_EQ(e.number(), c.number) << c.sql;
    EXPECT_EQ(e.source(), "MSDASQL") << c.sql;
    EXPECT_NE(e.description().find(c.says), std::string::npos) << c.sql << ": " << e.description();
    EXPECT_EQ(e.description().find("[SQLite]"), std::string::npos) << e.description();
  }
  // The connection goes on serving.
  EXPECT_EQ(cn_->run("SELECT 7 AS F", {}, 0).at(0).rowset.rows.at(0).at(0).toLong(), 7);
}

TEST_F(SqliteDriverTest, ADsnReachesTheSameDataSource) {
  cn_->execute("CREATE TABLE TSeen (F INTEGER); INSERT INTO TSeen VALUES (5)");
  auto other = com::makeObject<ado::Connection>();
  other->open("Provider=MSDASQL.1;DSN=MarlstoneSqlite;Database=" + path_.string());
  EXPECT_EQ(other->providerName(), "MSDASQL.1");
  EXPECT_EQ(other->execute("SELECT F FROM TSeen")->value("F").toLong(), 5);
}

TEST_F(SqliteDriverTest, ConnectionsThatFailRaiseOpenFailureAndStayClosed) {
  struct Case {
    std::string text;
    const char* says;
  };
  const Case cases[] = {
      {std::string("Provider=MSDASQL;Driver=") + kDriver + ";Database=/nonexistent/dir/costs.db;NoCreat=1",
       "connect failed"},
      {"Provider=MSDASQL;DSN=MarlstoneNoSuchDsn", "IM002"},
      {"Provider=MSDASQL;Database=costs.db", "names no ODBC data source"},
      // The registered driver's own library, named by its path, is not loaded.
      {std::string("Provider=MSDASQL;Driver=") + std::getenv("MLS_SQLITE_ODBC_DRIVER") +
           ";Database=" + path_.string(),
       "is not registered with unixODBC"},
  };
  for (const Case& c : cases) {
    auto cn = com::makeObject<ado::Connection>();
    com::ComError e = raisedBy([&] { cn->open(c.text); });
    EXPECT_EQ(e.number(), ado::err::kOpenFailed) << c.text;
    EXPECT_EQ(e.source(), "MSDASQL") << c.text;
    EXPECT_NE(e.description().find(c.says), std::string::npos) << c.text << ": " << e.description();
    EXPECT_EQ(cn->state(), ado::kStateClosed);
  }
}

// A class's properties string ends a braced value at its first '}', so there
// the driver is named without braces (spaces and all); the provider takes it.
TEST_F(SqliteDriverTest, ADriverNamedWithoutBracesOpens) {
  auto cn = com::makeObject<ado::Connection>();
  cn->open("Provider=MSDASQL;Driver=Marlstone SQLite3;Database=" + path_.string());
  EXPECT_EQ(cn->execute("SELECT 7 AS n")->value("n").toLong(), 7);
}

// The same rows through the embedded engine and through the driver: what the
// data-access objects show on top must not tell them apart.
TEST_F(SqliteDriverTest, RecordsetsBehaveAsOnTheEmbeddedEngine) {
  const std::string create =
      "CREATE TABLE TItem (FItemID INT NOT NULL, FName NVARCHAR(40) NULL, FQty FLOAT NULL, FDate DATETIME "
      "NULL)";
  const std::vector<std::vector<Variant>> rows = {
      {Variant(int32_t{1}), Variant("bolt M8"), Variant(3.5), Variant::date(com::makeDate(2024, 1, 31))},
      {Variant(int32_t{2}), Variant("Größe nut"), Variant(-1.25),
       Variant::date(com::makeDate(2024, 2, 29, 8))},
      {Variant(int32_t{3}), Variant("Bolt M10"), Variant::null(), Variant::null()},
      {Variant(int32_t{4}), Variant::null(), Variant(3.5), Variant::date(com::makeDate(2023, 12, 1))},
      {Variant(int32_t{5}), Variant("washer 'flat'"), Variant(12.0),
       Variant::date(com::makeDate(2024, 3, 1))},
  };
  const std::string embedded =
      "Provider=Marlstone.Embedded;Data Source=odbc_compare_" + std::to_string(getpid());

  // Each view: a filter and a sort, and the rows it shows, in order, as text.
  struct View {
    const char* filter;
    const char* sort;
  };
  const View views[] = {
      {"", ""},
      {"FName LIKE 'bolt*'", "FItemID DESC"},
      {"FQty >= 3.5 OR FName = NULL", "FQty DESC, FItemID"},
      {"FDate >= #2024-02-01#", "FDate"},
      {"", "FName"},
      {"FQty < 0 AND FName LIKE '*nut'", ""},
  };
  auto read = [&](const std::string& text) {
    auto cn = com::makeObject<ado::Connection>();
    cn->open(text);
    cn->execute(create);
    for (const std::vector<Variant>& row : rows)
      cn->run("INSERT INTO TItem (FItemID, FName, FQty, FDate) VALUES (?, ?, ?, ?)",
              {param(DataType::Integer, row[0]), param(DataType::VarWChar, row[1]),
               param(DataType::Double, row[2]), param(DataType::DBTimeStamp, row[3])},
              0);
    com::Ref<ado::Recordset> rs =
        cn->execute("SELECT FItemID, FName, FQty, FDate FROM TItem ORDER BY FItemID");
    rs->setActiveConnection(nullptr);  // detached: read after the connection is gone
    cn->close();
    std::vector<std::vector<std::string>> shown;
    for (const View& v : views) {
      rs->setFilter(Variant(v.filter));
      rs->setSort(v.sort);
      std::vector<std::string> lines;
      for (rs->moveFirst(); !rs->eof(); rs->moveNext()) {
        std::string line;
        for (size_t i = 0; i < rs->fieldCount(); ++i)
          line += rs->fieldInfo(i).name + ":" + com::kindName(rs->value(i).kind()) + "=" +
                  (rs->value(i).isNull() ? "" : rs->value(i).toString()) + " ";
        lines.push_back(line);
      }
      shown.push_back(lines);
    }
    return shown;
  };
  std::vector<std::vector<std::string>> onEngine = read(embedded);
  std::vector<std::vector<std::string>> onDriver = read(connectString());
  ASSERT_EQ(onEngine.size(), std::size(views));
  EXPECT_EQ(onEngine[0].size(), rows.size());
  for (size_t i = 0; i < std::size(views); ++i) {
    EXPECT_FALSE(onEngine[i].empty()) << views[i].filter;
    EXPECT_EQ(onDriver[i], onEngine[i])
        << "filter '" << views[i].filter << "', sort '" << views[i].sort << "'";
  }
}

}  // namespace
}  // namespace mls::odbc
