// The data-access layer over the embedded engine, end to end.  Built once the
// engine library is (see src/platform/ado/CMakeLists.txt).
#ifdef MLS_ADO_EMBEDDED

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <limits>

#include "platform/ado/command.h"
#include "platform/ado/embedded/embedded_provider.h"
#include "platform/ado/embedded/registration.h"
#include "platform/ado/fake_provider.h"
#include "platform/ado/fields.h"
#include "platform/ado/recordset.h"

namespace mls::ado {
namespace {

using com::Variant;
using mls::testing::raisedBy;

// Each test gets a database of its own.
std::string freshConnectionString() {
  static std::atomic<int> n{0};
  return "Provider=Marlstone.Embedded;Data Source=adotest" + std::to_string(++n);
}

class EmbeddedTest : public ::testing::Test {
 protected:
  com::Ref<Connection> connect() {
    auto cn = com::makeObject<Connection>();
    cn->open(connection_);
    return cn;
  }
  std::string connection_ = freshConnectionString();
};

TEST_F(EmbeddedTest, MultiStatementBatchAnswersItsFirstRowset) {
  auto cn = connect();
  int64_t affected = 0;
  com::Ref<Recordset> rs = cn->execute(
      "CREATE TABLE #t (FID INT, FName NVARCHAR(20)) "
      "INSERT INTO #t VALUES (2, 'b') INSERT INTO #t VALUES (1, 'a') "
      "SELECT FID, FName FROM #t ORDER BY FID "
      "SELECT FName FROM #t WHERE FID = 2",
      &affected);
  EXPECT_EQ(affected, 2);
  ASSERT_EQ(rs->state(), kStateOpen);
  EXPECT_EQ(rs->recordCount(), 2);
  EXPECT_EQ(rs->fieldInfo(0).type, DataType::Integer);
  EXPECT_EQ(rs->fieldInfo(1).type, DataType::VarWChar);
  EXPECT_EQ(rs->fieldInfo(1).definedSize, 20);
  EXPECT_EQ(rs->value("FName").toString(), "a");
  com::Ref<Recordset> next = rs->nextRecordset();
  ASSERT_TRUE(next);
  EXPECT_EQ(next->value("FName").toString(), "b");
  EXPECT_FALSE(next->nextRecordset());
}

TEST_F(EmbeddedTest, BatchWithoutRowsetGivesClosedRecordset) {
  auto cn = connect();
  int64_t affected = 0;
  com::Ref<Recordset> rs =
      cn->execute("CREATE TABLE t (a INT) INSERT INTO t VALUES (1) INSERT INTO t VALUES (2)", &affected);
  EXPECT_EQ(rs->state(), kStateClosed);
  EXPECT_EQ(affected, 2);
  rs = cn->execute("SET NOCOUNT ON UPDATE t SET a = a + 1", &affected);
  EXPECT_EQ(rs->state(), kStateClosed);
  EXPECT_EQ(affected, -1);
}

TEST_F(EmbeddedTest, DetachedRecordsetIsReadAfterTheConnectionCloses) {
  auto cn = connect();
  cn->execute(
      "CREATE TABLE t (FID INT, FQty DECIMAL(10,2)) INSERT INTO t VALUES (1, 1.50) INSERT INTO t VALUES (2, "
      "NULL)");
  auto rs = com::makeObject<Recordset>();
  rs->setCursorLocation(kUseClient);
  rs->open(Variant("SELECT FID, FQty FROM t ORDER BY FID"), Variant(com::Ref<com::Dispatch>(cn)), kOpenStatic,
           kLockBatchOptimistic);
  com::letProperty(*rs, "ActiveConnection", Variant::nothing());
  cn->close();
  cn = nullptr;
  com::Ref<com::Dispatch> qty = com::getProperty(*rs, "Fields", "FQty").toObject();
  EXPECT_EQ(com::getProperty(*qty, "Value").toString(), "1.5");
  EXPECT_EQ(com::getProperty(*qty, "Precision").toLong(), 10);
  EXPECT_EQ(com::getProperty(*qty, "NumericScale").toLong(), 2);
  rs->moveNext();
  EXPECT_TRUE(rs->value("FQty").isNull());
  com::letProperty(*qty, "Value", "7.25");  // local edit only
  EXPECT_EQ(rs->value("FQty").toString(), "7.25");

  auto again = connect();
  com::Ref<Recordset> check = again->execute("SELECT FQty FROM t WHERE FID = 2");
  EXPECT_TRUE(check->value("FQty").isNull());
}

TEST_F(EmbeddedTest, ConnectionsShareTablesButNotTemporaryTables) {
  auto a = connect();
  auto b = connect();
  a->execute("CREATE TABLE shared (x INT) INSERT INTO shared VALUES (1) CREATE TABLE #mine (x INT)");
  EXPECT_EQ(b->execute("SELECT x FROM shared")->recordCount(), 1);
  com::ComError e = raisedBy([&] { b->execute("SELECT x FROM #mine"); });
  EXPECT_EQ(e.number(), err::kCommandFailed);
  b->execute("CREATE TABLE #mine (y NVARCHAR(5)) INSERT INTO #mine VALUES ('b')");  // its own #mine
  EXPECT_EQ(b->execute("SELECT y FROM #mine")->value("y").toString(), "b");

  a->close();  // ends a's temporary tables
  a->open();
  EXPECT_EQ(raisedBy([&] { a->execute("SELECT x FROM #mine"); }).number(), err::kCommandFailed);

  auto other = com::makeObject<Connection>();
  other->open(freshConnectionString());
  EXPECT_EQ(raisedBy([&] { other->execute("SELECT x FROM shared"); }).number(), err::kCommandFailed);
}

TEST_F(EmbeddedTest, FailedOpensLeaveNothingOpen) {
  for (const char* text : {"Provider=Marlstone.Embedded", "Provider=Marlstone.Embedded;Data Source=",
                           "Provider=Marlstone.Embedded;Data Source=/nonexistent-folder/costs.mlsdb",
                           "Provider=Nobody;Data Source=x", "Provider=Marlstone.Embedded;Data Source='x"}) {
    auto cn = com::makeObject<Connection>();
    com::ComError e = raisedBy([&] { cn->open(text); });
    EXPECT_EQ(e.number(), -2147467259) << text;
    EXPECT_FALSE(e.description().empty()) << text;
    EXPECT_EQ(cn->state(), kStateClosed) << text;
  }
  auto cn = com::makeObject<Connection>();
  com::ComError e =
      raisedBy([&] { cn->open("Provider=marlstone.embedded;Data Source=/nonexistent-folder/x.mlsdb"); });
  EXPECT_EQ(e.source(), "Marlstone.Embedded");
}

// The engine's own number behind a failure travels with the raised error and
// stays in the connection's Errors collection: 4060 for a missing database
// file, each error of a failed batch with its number.
TEST_F(EmbeddedTest, FailuresCarryTheEnginesOwnErrors) {
  auto cn = com::makeObject<Connection>();
  const std::string missing = "/nonexistent-folder/x.mlsdb";
  com::ComError e = raisedBy([&] { cn->open("Provider=Marlstone.Embedded;Data Source=" + missing); });
  ASSERT_EQ(e.providerErrors().size(), 1u) << e.description();
  EXPECT_EQ(e.providerErrors()[0],
            (com::ProviderError{4060, "HY000", e.description(), "Marlstone.Embedded"}));
  Variant errors = com::getProperty(*cn, "Errors");
  ASSERT_EQ(com::getProperty(*errors.toObject(), "Count").toLong(), 1);
  Variant first = com::getProperty(*errors.toObject(), "Item", Variant(0));
  EXPECT_EQ(com::getProperty(*first.toObject(), "NativeError").toLong(), 4060);

  cn = connect();
  e = raisedBy([&] { cn->execute("SELECT 1 / 0 AS x SELECT a FROM nowhere"); });
  EXPECT_EQ(e.number(), err::kCommandFailed);
  std::vector<int32_t> numbers;
  for (const com::ProviderError& p : e.providerErrors())
    numbers.push_back(p.nativeError);
  EXPECT_EQ(numbers, (std::vector<int32_t>{8134, 208})) << e.description();
  EXPECT_EQ(cn->errors(), e.providerErrors());
  cn->execute("SELECT 1 AS one");
  EXPECT_TRUE(cn->errors().empty());
}

// A Data Source with a path separator or an extension is a file (a missing one
// is 4060, nothing made); only a bare name is an in-memory database.
TEST_F(EmbeddedTest, OnlyBareNamesAreInMemoryDatabases) {
  for (const char* file : {"erp.db", "Costs.MLSDB", "plant.2024", "erp.", "data/erp", "data\\erp"}) {
    auto cn = com::makeObject<Connection>();
    com::ComError e =
        raisedBy([&] { cn->open(std::string("Provider=Marlstone.Embedded;Data Source=") + file); });
    ASSERT_EQ(e.providerErrors().size(), 1u) << file << ": " << e.description();
    EXPECT_EQ(e.providerErrors()[0].nativeError, 4060) << file;
    EXPECT_FALSE(std::filesystem::exists(file)) << file;
  }
  for (const char* bare : {"erp", "ERP_2024", "plant-2024"}) {
    auto a = com::makeObject<Connection>();
    a->open(std::string("Provider=Marlstone.Embedded;Data Source=") + bare);
    a->execute("CREATE TABLE kept (a INT) INSERT INTO kept VALUES (7)");
    auto b = com::makeObject<Connection>();
    b->open(std::string("Provider=Marlstone.Embedded;Data Source=") + bare);
    EXPECT_EQ(b->execute("SELECT a FROM kept")->value("a").toLong(), 7) << bare;
    b->execute("DROP TABLE kept");
  }
}

// The connection names its database: Initial Catalog (or Database), else the
// Data Source's name.  DB_NAME(), three-part names and messages follow it; a
// name of another database is 208.
TEST_F(EmbeddedTest, TheConnectionsCatalogNamesItsDatabase) {
  const std::string dataSource = connection_.substr(connection_.find("Data Source=") + 12);
  struct Case {
    std::string keys, name;
  } cases[] = {{"", dataSource},
               {";Initial Catalog=AIS20240101", "AIS20240101"},
               {";Database=Costing", "Costing"},
               {";Initial Catalog=;Database=Costing", "Costing"}};
  auto setup = connect();
  setup->execute("CREATE TABLE named (a INT NOT NULL) INSERT INTO named VALUES (1)");
  for (const Case& c : cases) {
    auto cn = com::makeObject<Connection>();
    cn->open(connection_ + c.keys);
    EXPECT_EQ(cn->execute("SELECT DB_NAME() AS n")->value("n").toString(), c.name) << c.keys;
    EXPECT_EQ(cn->execute("SELECT COUNT(*) AS n FROM " + c.name + ".dbo.named")->value("n").toLong(), 1)
        << c.keys;
    com::ComError e = raisedBy([&] { cn->execute("INSERT INTO named VALUES (NULL)"); });
    EXPECT_NE(e.description().find("table '" + c.name + ".dbo.named'"), std::string::npos) << e.description();
    if (c.name == dataSource) continue;
    e = raisedBy([&] { cn->execute("SELECT COUNT(*) FROM " + dataSource + ".dbo.named"); });
    ASSERT_EQ(e.providerErrors().size(), 1u) << e.description();
    EXPECT_EQ(e.providerErrors()[0].nativeError, 208);
  }
}

TEST_F(EmbeddedTest, FileDataSourcesOpenThroughTheInstalledOpener) {
  auto db = tsql::Database::create();
  std::string asked;
  embedded::FileDatabaseOpener installed =
      embedded::setFileDatabaseOpener([&](const std::string& path, const tsql::Database::OpenOptions&) {
        asked = path;
        return db;
      });
  auto cn = com::makeObject<Connection>();
  cn->open("Provider=Marlstone.Embedded;Data Source=data/costs.mlsdb");
  embedded::setFileDatabaseOpener(std::move(installed));
  EXPECT_EQ(asked, "data/costs.mlsdb");
  cn->execute("CREATE TABLE f (a INT)");
  tsql::Session direct(db);
  EXPECT_NO_THROW(direct.execute("SELECT a FROM f"));
}

TEST_F(EmbeddedTest, ParametersAreBoundAsDataNeverAsText) {
  auto cn = connect();
  cn->execute(
      "CREATE TABLE people (FID INT, FName NVARCHAR(50), FRate DECIMAL(28,10), FDate DATETIME, FOk BIT)");
  auto insert = com::makeObject<Command>();
  insert->setActiveConnection(cn);
  insert->setCommandText("INSERT INTO people VALUES (?, ?, ?, ?, ?) -- ? in a comment");
  com::Ref<Parameters> ps = insert->parameters();
  ps->append(insert->createParameter("id", 3, kParamInput, 0, Variant(1)));
  ps->append(insert->createParameter("name", 202, kParamInput, 50, Variant("O'Brien")));
  ps->append(insert->createParameter("rate", 131, kParamInput, 0,
                                     Variant(*com::Decimal::parse("12345678901234.1234567891"))));
  ps->append(
      insert->createParameter("date", 135, kParamInput, 0, Variant::date(com::makeDate(2024, 3, 1, 8, 30))));
  ps->append(insert->createParameter("ok", 11, kParamInput, 0, Variant(true)));
  int64_t affected = 0;
  insert->execute(&affected);
  EXPECT_EQ(affected, 1);
  insert->execute(nullptr,
                  Variant(com::SafeArray::vector({Variant(2), Variant("x'); DROP TABLE people; --"),
                                                  Variant::null(), Variant::null(), Variant(false)})));

  auto select = com::makeObject<Command>();
  select->setActiveConnection(cn);
  select->setCommandText("SELECT FID, FName, FRate, FDate, FOk FROM people WHERE FName = ? AND '?' = '?'");
  select->parameters()->append(select->createParameter("n", 200, kParamInput, 10, Variant("O'Brien")));
  com::Ref<Recordset> rs = select->execute();
  ASSERT_EQ(rs->recordCount(), 1);
  EXPECT_EQ(rs->value("FID").toLong(), 1);
  EXPECT_EQ(rs->value("FName").toString(), "O'Brien");
  EXPECT_EQ(rs->value("FRate").toString(), "12345678901234.1234567891");
  EXPECT_EQ(rs->value("FDate").toDate(), com::makeDate(2024, 3, 1, 8, 30));
  EXPECT_EQ(rs->value("FOk").kind(), com::VarKind::Boolean);
  EXPECT_TRUE(rs->value("FOk").toBool());

  rs = cn->execute("SELECT FName, FRate FROM people WHERE FID = 2");
  EXPECT_EQ(rs->value("FName").toString(), "x'); DROP TABLE people; --");
  EXPECT_TRUE(rs->value("FRate").isNull());

  select->parameters()->append(select->createParameter("extra", 3, kParamInput, 0, Variant(1)));
  com::ComError e = raisedBy([&] { select->execute(); });
  EXPECT_EQ(e.number(), -2147217904);
  EXPECT_EQ(e.source(), "Marlstone.Embedded");
}

// A Double or Single parameter holding NaN or an infinity, or a Currency past
// money's range, is refused before the statement runs: nothing is written, and
// the totals stay numbers.  The ends of money's range are values.
TEST_F(EmbeddedTest, ParametersOutsideTheirTypesRangeWriteNothing) {
  auto cn = connect();
  cn->execute("CREATE TABLE amounts (FKey INT, FFloat FLOAT, FReal REAL, FMoney MONEY)");
  cn->execute("INSERT INTO amounts VALUES (1, 2.5, 1.5, 3)");
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    int32_t type;  // adDouble 5, adSingle 4, adCurrency 6
    Variant value;
    const char* said;  // null: written
  };
  for (const Case& c : std::vector<Case>{
           {5, Variant(std::numeric_limits<double>::quiet_NaN()), "NaN is not a number"},
           {5, Variant(inf), "Infinity is not a number"},
           {5, Variant(-inf), "-Infinity is not a number"},
           {4, Variant(std::numeric_limits<double>::quiet_NaN()), "NaN is not a number"},
           {6, Variant(*com::Decimal::parse("922337203685477.5808")), "beyond money's range"},
           {6, Variant(*com::Decimal::parse("-922337203685477.5809")), "beyond money's range"},
           {6, Variant(*com::Decimal::parse("-922337203685477.5808")), nullptr},
       }) {
    auto insert = com::makeObject<Command>();
    insert->setActiveConnection(cn);
    const char* column = c.type == 5 ? "FFloat" : c.type == 4 ? "FReal" : "FMoney";
    insert->setCommandText(std::string("INSERT INTO amounts (FKey, ") + column + ") VALUES (2, ?)");
    insert->parameters()->append(insert->createParameter("amount", c.type, kParamInput, 0, c.value));
    if (!c.said) {
      insert->execute();
      continue;
    }
    com::ComError e = raisedBy([&] { insert->execute(); });
    EXPECT_EQ(e.number(), com::err::kOverflow) << column << " " << c.said;
    EXPECT_EQ(e.source(), "Marlstone.Embedded");
    EXPECT_NE(e.description().find(c.said), std::string::npos) << e.description();
    EXPECT_NE(e.description().find("(amount)"), std::string::npos) << e.description();
  }
  com::Ref<Recordset> rs =
      cn->execute("SELECT COUNT(*) AS n, SUM(FFloat) AS f, MIN(FMoney) AS m, MAX(FMoney) AS x FROM amounts");
  EXPECT_EQ(rs->value("n").toLong(), 2);
  EXPECT_EQ(rs->value("f").toDouble(), 2.5);
  EXPECT_EQ(rs->value("m").toString(), "-922337203685477.5808");
  EXPECT_EQ(rs->value("x").toString(), "3");
}

TEST_F(EmbeddedTest, ValuesArriveAsTheirVariantKindsAndDecimalsExact) {
  auto cn = connect();
  com::Ref<Recordset> rs = cn->execute(
      "SELECT CAST(12345678901234.1234567891 AS DECIMAL(28,10)) AS FDec, CAST(7 AS INT) AS FInt, "
      "CAST(7 AS SMALLINT) AS FSmall, CAST(7 AS TINYINT) AS FTiny, CAST(1 AS BIT) AS FBit, "
      "CAST(9007199254740993 AS BIGINT) AS FBig, CAST(2.5 AS MONEY) AS FMoney, CAST(0.5 AS FLOAT) AS FFloat, "
      "CAST('x' AS VARCHAR(3)) AS FText, CAST('2024-01-31 10:20:30' AS DATETIME) AS FDate, "
      "CAST(NULL AS INT) AS FNull");
  struct Case {
    const char* name;
    DataType type;
    com::VarKind kind;
    const char* text;
  };
  for (const Case& c : std::vector<Case>{
           {"FDec", DataType::Numeric, com::VarKind::Decimal, "12345678901234.1234567891"},
           {"FInt", DataType::Integer, com::VarKind::Long, "7"},
           {"FSmall", DataType::SmallInt, com::VarKind::Integer, "7"},
           {"FTiny", DataType::UnsignedTinyInt, com::VarKind::Byte, "7"},
           {"FBit", DataType::Boolean, com::VarKind::Boolean, "True"},
           {"FBig", DataType::BigInt, com::VarKind::Decimal, "9007199254740993"},
           {"FMoney", DataType::Currency, com::VarKind::Decimal, "2.5"},
           {"FFloat", DataType::Double, com::VarKind::Double, "0.5"},
           {"FText", DataType::VarChar, com::VarKind::String, "x"},
           {"FDate", DataType::DBTimeStamp, com::VarKind::Date, "2024-01-31 10:20:30"},
           {"FNull", DataType::Integer, com::VarKind::Null, ""},
       }) {
    EXPECT_EQ(rs->fieldInfo(rs->fieldIndex(c.name)).type, c.type) << c.name;
    EXPECT_EQ(rs->value(c.name).kind(), c.kind) << c.name;
    if (c.kind != com::VarKind::Null) {
      EXPECT_EQ(rs->value(c.name).toString(), c.text) << c.name;
    }
  }
}

TEST_F(EmbeddedTest, FilterAndSortOnQueryResults) {
  auto cn = connect();
  com::Ref<Recordset> rs = cn->execute(
      "CREATE TABLE #q (FItemID INT, FName NVARCHAR(10), FQty DECIMAL(10,2)) "
      "INSERT INTO #q VALUES (1, 'Bolt', 3.5) INSERT INTO #q VALUES (2, 'Nut', 10) "
      "INSERT INTO #q VALUES (3, 'bolt B', 3.5) INSERT INTO #q VALUES (4, 'Washer', NULL) "
      "SELECT FItemID, FName, FQty FROM #q");
  com::letProperty(*rs, "Filter", "FName LIKE 'bolt*' AND FQty = 3.5");
  EXPECT_EQ(com::getProperty(*rs, "RecordCount").toLong(), 2);
  com::letProperty(*rs, "Sort", "FItemID DESC");
  EXPECT_EQ(rs->value("FItemID").toLong(), 3);
  com::letProperty(*rs, "Filter", 0);
  EXPECT_EQ(com::getProperty(*rs, "RecordCount").toLong(), 4);
}

TEST_F(EmbeddedTest, EngineErrorsCarryTheProviderNumberAndMessage) {
  auto cn = connect();
  com::ComError e = raisedBy([&] { cn->execute("SELECT a FROM nowhere"); });
  EXPECT_EQ(e.number(), -2147217900);
  EXPECT_EQ(e.source(), "Marlstone.Embedded");
  EXPECT_EQ(e.description(), "Invalid object name 'nowhere'.");
  e = raisedBy([&] { com::callByName(*cn, "Execute", "SELEC 1"); });
  EXPECT_EQ(e.number(), -2147217900);
  EXPECT_EQ(cn->state(), kStateOpen);
  EXPECT_EQ(cn->execute("SELECT 1 AS one")->value("one").toLong(), 1);  // the session goes on
}

TEST_F(EmbeddedTest, WarningsStayInTheErrorsCollectionWithoutRaising) {
  auto cn = connect();
  cn->execute("CREATE TABLE #w (a INT) INSERT #w VALUES (1), (NULL)");
  EXPECT_TRUE(cn->errors().empty());
  com::Ref<Recordset> rs = cn->execute("SELECT SUM(a) AS s FROM #w");
  EXPECT_EQ(rs->value("s").toLong(), 1);
  Variant errors = com::getProperty(*cn, "Errors");
  ASSERT_EQ(com::getProperty(*errors.toObject(), "Count").toLong(), 1);
  Variant first = com::getProperty(*errors.toObject(), "Item", Variant(0));
  EXPECT_EQ(com::getProperty(*first.toObject(), "NativeError").toLong(), 8153);
  EXPECT_EQ(com::getProperty(*first.toObject(), "SQLState").toString(), "01003");
  EXPECT_EQ(com::getProperty(*first.toObject(), "Description").toString(),
            "Warning: Null value is eliminated by an aggregate or other SET operation.");
  // The next batch starts a new collection; aggregates over no NULL send nothing.
  cn->execute("SELECT COUNT(*), SUM(a) FROM #w WHERE a IS NOT NULL");
  EXPECT_TRUE(cn->errors().empty());
}

}  // namespace
}  // namespace mls::ado

#endif  // MLS_ADO_EMBEDDED
