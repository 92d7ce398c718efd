// The nine members that put a client's condition into their statements refuse
// anything but one search condition before they send a batch: the calls go
// through a provider that records every batch it is sent (as SQL Server
// would receive it), and the refused calls leave each of their sessions with
// its isolation statement alone.  What they accept is in cases/client_filters.calls.
#include "platform/com/registry.h"
#include "platform/halvern/dictionary.h"
#include "support/erp_rows.h"
#include "support/public_class_test.h"
#include "support/recording_provider.h"

namespace mls::testing {
namespace {

class ClientFilterTest : public PublicClassTest, public ErpRows {
 protected:
  void SetUp() override {
    open("Marlstone.AutoDisInfo");
    db_.setPeriods(12, 2024, 1, 2024, 3);
    department(1, 361);
    department(2, 361);
    item(500);
    costObject(101, 906, 0);
    bill({.id = 900});
    valuedLine(900, 1, 500, 1, 10, 0, 0, 0);    // shared
    valuedLine(900, 2, 500, 1, 20, 0, 101, 0);  // direct
    exec(
        "INSERT INTO cbProductCalInfo (FYear, FPeriod, FLevel, FProductID) VALUES (2024, 3, 1, 500) "
        "INSERT INTO cbMaterielInfo (FYear, FPeriod, FInterID, FEntryID, FCostObjID, FCostItemID, FStdID, "
        "FStandardData, FQty, FAmount) VALUES (2024, 3, 900, 1, 101, 1, 9, 1, 1, 10), "
        "(2024, 3, 900, 2, 101, 1, 9, 0, 1, 20)");
    callOn(*com::createObject("Marlstone.ConcludeUpdate"), db_.props(), "GetICStockBillDataForCB", {2024, 3});
    recordBatchesInto(log_);
  }
  void exec(const std::string& sql) const override { db_.run(sql); }

  static com::Variant period() {
    com::Ref<com::Dispatch> d = halvern::createDictionary();
    auto* filter = dynamic_cast<halvern::Dictionary*>(d.get());
    filter->setItem("Year", com::Variant(2024));
    filter->setItem("Period", com::Variant(3));
    return com::Variant(d);
  }
  std::string count(const std::string& table) const {
    return db_.texts("SELECT COUNT(*) FROM " + table)[0][0];
  }

  std::shared_ptr<Recording> log_ = std::make_shared<Recording>();
};

TEST_F(ClientFilterTest, EveryMemberRefusesAnythingButOneConditionBeforeSendingABatch) {
  const struct {
    const char* progId;
    const char* member;
    std::function<std::vector<com::Variant>(const std::string&)> args;
  } members[] = {
      {"Marlstone.AutoDis", "AutoDisMaterielExp",
       [](const std::string& f) { return std::vector<com::Variant>{1, 1, 0, period(), 0, f}; }},
      {"Marlstone.AutoDisInfo", "GetMaterieExpItemByDept",
       [](const std::string& f) {
         return std::vector<com::Variant>{1, 0, period(), f};
       }},
      {"Marlstone.AutoDisInfo", "GetItemStandardByDept",
       [](const std::string& f) {
         return std::vector<com::Variant>{1, 0, period(), f};
       }},
      {"Marlstone.AutoDisInfo", "GetDirctMaterielBill",
       [](const std::string& f) {
         return std::vector<com::Variant>{2024, 3, 0, false, f};
       }},
      {"Marlstone.AutoDisInfo", "GetMaterieExpByDeptIsSame",
       [](const std::string& f) {
         return std::vector<com::Variant>{2024, 3, 1, 0, f};
       }},
      {"Marlstone.AutoDisInfo", "GetShareMaterielBillByLeave",
       [](const std::string& f) {
         return std::vector<com::Variant>{2024, 3, 0, f};
       }},
      {"Marlstone.AutoDisInfo", "GetDisMaterilCostObjGroup",
       [](const std::string& f) { return std::vector<com::Variant>{1, 1, 0, period(), 0, f}; }},
      {"Marlstone.ConcludeUpdate", "ClearDistributeResult",
       [](const std::string& f) {
         return std::vector<com::Variant>{2024, 3, 0, f};
       }},
      {"Marlstone.AutoDis", "DistributeDirctMaterielExpLeaveIn",
       [](const std::string& f) {
         return std::vector<com::Variant>{2024, 3, 0, f};
       }},
  };
  const struct {
    const char* filter;
    const char* why;  // a fragment of the description
  } faults[] = {
      {" AND 1=1; DELETE FROM t_Department; --", "Incorrect syntax near ';'"},
      {" AND 1=1 DELETE FROM t_Department", "Incorrect syntax near the keyword 'DELETE'"},
      {"v1.FItemID=500 OR 1=1 UPDATE cbMaterielInfo SET FAmount=0", "near the keyword 'UPDATE'"},
      {" AND 1=1 /* DELETE FROM t_Department", "Missing end comment mark '*/'"},
      {" AND v1.FItemID=500 OR 'a'='a", "Unclosed quotation mark"},
      {" AND (v1.FItemID=500", "Incorrect syntax near '500'"},
      {" AND v1.FItemID=500) OR (1=1", "Incorrect syntax near ')'"},
      {" AND 1=1 --\r DELETE FROM t_Department", "a carriage return without a line feed"},
      {" AND v1.FItemID", "a value where a condition is expected"},
      {" AND", "no condition follows AND"},
      {" AND d.FItemID=500", "the statement has no table named by d.FItemID"},
  };
  // SQL Server's forms pass the check and reach the server as written: the
  // embedded engine runs them, or refuses the batch with 40517 naming a form it lacks.
  const struct {
    const char* filter;
    const char* refusal;  // the engine's description, "" when it runs the forms
  } forms[] = {
      {" AND v1.FItemID = ANY (SELECT FItemID FROM t_ICItem) AND v1.FQty >= ALL (SELECT 0) AND $0 = ¥0"
       " AND {d '2024-03-01'} < {ts '2024-04-01 00:00:00'} AND {fn UCASE('a')} = 'A' AND IIF(1 = 1, 1, 0) = 1"
       " AND 'a' COLLATE DATABASE_DEFAULT = 'A' AND v1.FQty IS NOT DISTINCT FROM v1.FQty"
       " AND 'a_' LIKE 'a!_' {escape '!'} AND TRIM(' a ') = 'a' AND CURRENT_DATE > {d '2024-01-01'} -- all",
       ""},
      {"OR v1.FItemID <> 0x01", "A binary constant (0x01) is not supported by this engine."},
  };
  const std::string props =
      "ConnectString={Provider=Test.Recording;Data Source=" + db_.name() + "};Language=en";
  for (const auto& m : members) {
    com::Ref<com::Dispatch> object = com::createObject(m.progId);
    for (const auto& f : faults) {
      SCOPED_TRACE(std::string(m.member) + " " + f.filter);
      log_->sessions.clear();
      com::ExcepInfo e = failureOf(m.member, [&] { callOn(*object, props, m.member, m.args(f.filter)); });
      EXPECT_EQ(e.number, -1);
      EXPECT_EQ(e.source, std::string(m.progId) + "." + m.member);
      EXPECT_NE(
          e.description.find("The filter [" + std::string(f.filter) + "] is not one search condition: "),
          std::string::npos)
          << e.description;
      EXPECT_NE(e.description.find(f.why), std::string::npos) << e.description;
      EXPECT_EQ(log_->sessions.size(), 1u);
      for (const std::vector<std::string>& batches : log_->sessions) {
        ASSERT_EQ(batches.size(), 1u) << batches.back();
        EXPECT_TRUE(batches[0].starts_with("SET TRANSACTION ISOLATION LEVEL"));
      }
      ASSERT_EQ(count("t_Department"), "2");
      ASSERT_EQ(count("cbMaterielInfo"), "2");
    }
  }
  for (const auto& m : members) {  // after the faults: ClearDistributeResult clears what the forms pick
    com::Ref<com::Dispatch> object = com::createObject(m.progId);
    for (const auto& f : forms) {
      SCOPED_TRACE(std::string(m.member) + " " + f.filter);
      log_->sessions.clear();
      try {
        callOn(*object, props, m.member, m.args(f.filter));
        EXPECT_EQ(*f.refusal, '\0');
      } catch (const com::ComError& e) {  // never the check's refusal; a member may fail on its own data
        const std::string& why = e.info().description;
        EXPECT_EQ(why.find("is not one search condition"), std::string::npos) << why;
        EXPECT_NE(why.find(f.refusal), std::string::npos) << why;
        EXPECT_EQ(e.info().number, *f.refusal ? -2147217900 : e.info().number) << why;
      }
      bool sent = false;
      for (const std::vector<std::string>& batches : log_->sessions)
        for (const std::string& batch : batches)
          sent = sent || batch.find(f.filter) != std::string::npos;
      EXPECT_TRUE(sent);
      ASSERT_EQ(count("t_Department"), "2");
    }
  }
}

// Where the statement writes "AND" itself a condition is required; where it
// appends the client's, nothing (or only a comment) adds nothing.
TEST_F(ClientFilterTest, AnEmptyConditionIsRefusedOnlyWhereTheStatementNeedsOne) {
  for (const char* empty : {"", "  ", "-- a note"}) {
    SCOPED_TRACE(empty);
    com::ExcepInfo e = failure("GetShareMaterielBillByLeave", {2024, 3, 0, empty});
    EXPECT_EQ(e.number, -1);
    EXPECT_EQ(e.source, "Marlstone.AutoDisInfo.GetShareMaterielBillByLeave");
    EXPECT_EQ(e.description, "The filter must not be empty!");
    EXPECT_EQ(call("GetDirctMaterielBill", {2024, 3, 0, false, empty}).kind(), com::VarKind::Object);
  }
  com::ExcepInfo e = failureOf("LeaveIn", [&] {
    callOn(*com::createObject("Marlstone.AutoDis"), db_.props("cht"), "DistributeDirctMaterielExpLeaveIn",
           {2024, 3, 0, ""});
  });
  EXPECT_EQ(e.source, "Marlstone.AutoDis.DistributeDirctMaterielExpLeaveIn");
  EXPECT_EQ(e.description, "過濾條件不能為空!");
}

}  // namespace
}  // namespace mls::testing
