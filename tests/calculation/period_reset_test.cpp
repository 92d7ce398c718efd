// ConcludeUpdate.DeleteCalInfo and DeleteNDisTable: the orphan rules of the
// distribution tables with their survivors, the period's results, the guard
// against a snapshot of another period, and the frame of both.
#include <functional>

#include "calc_fixture.h"

namespace mls::testing {
namespace {

using com::Vote;

// Issue bills of March 2024 (departments 1 production, 2 auxiliary):
//   10 valid 12000 (lines 1, 2)   11 cancelled 12000   12 FStatus 0 12000
//   13 valid 12001                14 12000 in department 2   15 12000, dated in April
//   16 valid 12002                17 12000 in a department that does not exist
class PeriodResetTest : public CalcTest {
 protected:
  void SetUp() override {
    CalcTest::SetUp();
    department(1, 361);
    department(2, 362);
    bill({.id = 10});
    bill({.id = 11, .cancellation = 1});
    bill({.id = 12, .status = 0});
    bill({.id = 13, .purpose = 12001});
    bill({.id = 14, .dept = 2});
    bill({.id = 15, .date = "2024-04-01"});
    bill({.id = 16, .purpose = 12002});
    bill({.id = 17, .dept = 9});
    for (int id = 10; id <= 17; ++id)
      line(id, 1, 500, 1.0);
    line(10, 2, 500, 1.0);
    snapshot(2024, 3);
    // Material distribution: one row per line (and a deleted line 10/3, a
    // row without a line), in March and in February.
    for (const char* table : {"cbMaterielInfo", "cbWMaterielInfo"}) {
      for (const char* period : {"3", "2"}) {
        std::string values;
        for (const char* key :
             {"10, 1", "10, 2", "10, 3", "11, 1", "12, 1", "13, 1", "14, 1", "15, 1", "17, 1", "NULL, NULL"})
          values += std::string(values.empty() ? "" : ", ") + "(2024, " + period + ", " + key + ", 1)";
        exec(std::string("INSERT INTO ") + table +
             " (FYear, FPeriod, FInterID, FEntryID, FCostObjID) VALUES " + values);
      }
    }
    exec(
        "INSERT INTO CBWBMaterielInfo (FYear, FPeriod, FInterID, FEntryID) VALUES (2024, 3, 16, 1), (2024, "
        "3, 99, 1)");
    // Other-expense bills: 100 normal, 101 repairable waste, 102 normal of February, and a bill without ID.
    exec(
        "INSERT INTO cbCostExpenseInfo (FInterID, FYear, FPeriod, FPurposeID) VALUES (100, 2024, 3, 0), "
        "(101, 2024, 3, 1), (102, 2024, 2, 0), (NULL, 2024, 3, 0), (NULL, 2024, 3, 1)");
    for (const char* table : {"cbExpenseDistributeInfo", "cbWExpenseDistributeInfo"}) {
      exec(std::string("INSERT INTO ") + table +
           " (FYear, FPeriod, FInterID) VALUES (2024, 3, 100), (2024, 3, 101), (2024, 3, 102), (2024, 3, "
           "999), (2024, 3, NULL), (2024, 2, 999)");
    }
    for (const char* table : {"cbProductCalInfo", "CBCalInfo", "cbWCalInfo", "cbWNCalInfo", "CBCalInfoDetail",
                              "cbWCalInfoDetail", "cbCalRevertInfo", "CBOnlineMaterielDispInfo"}) {
      exec(std::string("INSERT INTO ") + table +
           " (FYear, FPeriod) VALUES (2024, 3), (2024, 3), (2024, 2), (2023, 3), (2024, 4)");
    }
  }

  Rows lines(const std::string& table, int period = 3) const {
    return rows("SELECT ISNULL(FInterID, -1), ISNULL(FEntryID, -1) FROM " + table +
                " WHERE FYear = 2024 AND FPeriod = " + std::to_string(period) +
                " ORDER BY FInterID, FEntryID");
  }
  Rows bills(const std::string& table, int period = 3) const {
    return rows("SELECT ISNULL(FInterID, -1) FROM " + table +
                " WHERE FYear = 2024 AND FPeriod = " + std::to_string(period) + " ORDER BY FInterID");
  }
  // Rows of every table, for checking that nothing changed.
  std::vector<int> everyCount() const {
    std::vector<int> counts;
    for (const char* table :
         {"cbMaterielInfo", "cbWMaterielInfo", "CBWBMaterielInfo", "cbExpenseDistributeInfo",
          "cbWExpenseDistributeInfo", "cbProductCalInfo", "CBCalInfo", "cbWCalInfo", "cbWNCalInfo",
          "CBCalInfoDetail", "cbWCalInfoDetail", "cbCalRevertInfo", "CBOnlineMaterielDispInfo"}) {
      counts.push_back(count(table));
    }
    return counts;
  }

  // Drops `table`; `method` must fail with the database's error, voting Abort.
  void expectAbortOn(const std::string& method, const std::string& table) {
    exec("DROP TABLE " + table);
    com::VoteRecorder votes;
    com::ExcepInfo e = failure(method, {2024, 3});
    EXPECT_EQ(votes.votes(), std::vector<Vote>{Vote::Abort});
    EXPECT_FALSE(e.source.starts_with("Marlstone.ConcludeUpdate"));
    EXPECT_NE(e.description.find(table), std::string::npos);
  }

  void expectOrphansGone() const {
    EXPECT_EQ(lines("cbMaterielInfo"), (Rows{{"10", "1"}, {"10", "2"}}));
    EXPECT_EQ(lines("cbWMaterielInfo"), (Rows{{"13", "1"}}));
    EXPECT_EQ(bills("cbExpenseDistributeInfo"), (Rows{{"100"}}));
    EXPECT_EQ(bills("cbWExpenseDistributeInfo"), (Rows{{"101"}}));
    // Other periods and the residual-value returns are not touched.
    EXPECT_EQ(lines("cbMaterielInfo", 2).size(), 10u);
    EXPECT_EQ(lines("cbWMaterielInfo", 2).size(), 10u);
    EXPECT_EQ(bills("cbExpenseDistributeInfo", 2), (Rows{{"999"}}));
    EXPECT_EQ(bills("cbWExpenseDistributeInfo", 2), (Rows{{"999"}}));
    EXPECT_EQ(bills("CBWBMaterielInfo"), (Rows{{"16"}, {"99"}}));
  }
};

TEST_F(PeriodResetTest, RemovesEveryKindOfOrphanAndThePeriodsResults) {
  com::VoteRecorder votes;
  com::Variant result = call("DeleteCalInfo", {2024, 3});
  EXPECT_TRUE(result.isEmpty());
  EXPECT_EQ(votes.votes(), std::vector<Vote>{Vote::Complete});
  expectOrphansGone();
  for (const char* table : {"cbProductCalInfo", "CBCalInfo", "cbWCalInfo", "cbWNCalInfo", "CBCalInfoDetail",
                            "cbWCalInfoDetail", "cbCalRevertInfo", "CBOnlineMaterielDispInfo"}) {
    EXPECT_EQ(rows(std::string("SELECT FYear, FPeriod FROM ") + table + " ORDER BY FYear, FPeriod"),
              (Rows{{"2023", "3"}, {"2024", "2"}, {"2024", "4"}}))
        << table;
  }
}

TEST_F(PeriodResetTest, DeleteNDisTableRemovesTheOrphansOnly) {
  com::VoteRecorder votes;
  call("DeleteNDisTable", {2024, 3});
  EXPECT_EQ(votes.votes(), std::vector<Vote>{Vote::Complete});
  expectOrphansGone();
  EXPECT_EQ(count("cbProductCalInfo"), 5);
  EXPECT_EQ(count("CBOnlineMaterielDispInfo"), 5);
}

TEST_F(PeriodResetTest, ASnapshotOfAnotherPeriodOrNoneIsRefusedAndNothingIsDeleted) {
  struct Case {
    const char* what;
    std::function<void()> prepare;
  };
  const Case cases[] = {
      {"bills of April", [&] { snapshot(2024, 4); }},
      {"an empty September", [&] { snapshot(2024, 9); }},
      {"no snapshot ever taken", [&] { exec("DROP TABLE cb_ICStockBillPeriod"); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    c.prepare();
    const std::vector<int> before = everyCount();
    for (const char* method : {"DeleteCalInfo", "DeleteNDisTable"}) {
      com::VoteRecorder votes;
      com::ExcepInfo e = failure(method, {2024, 3});
      EXPECT_EQ(e.number, -1);
      EXPECT_EQ(e.source, std::string("Marlstone.ConcludeUpdate.") + method);
      EXPECT_EQ(
          e.description,
          "The stock bill snapshot holds bills that are not of year 2024, period 3: take the period's stock "
          "bill data first, then run this step again.");
      EXPECT_EQ(votes.votes(), std::vector<Vote>{Vote::Abort});
      // In the source language the text is the key itself.
      EXPECT_EQ(failureOf(method,
                          [&] {
                            callWith(db_.props("chs"), method, {2024, 3});
                          })
                    .description,
                "单据快照中有不属于2024年第3期的单据，请先提取本期的单据数据，再执行此操作。");
      EXPECT_EQ(everyCount(), before);
    }
  }
}

TEST_F(PeriodResetTest, AnEmptySnapshotIsAPeriodWithoutBills) {
  exec("DELETE FROM ICStockBill");
  snapshot(2024, 3);
  call("DeleteCalInfo", {2024, 3});
  EXPECT_TRUE(lines("cbMaterielInfo").empty());
  EXPECT_TRUE(lines("cbWMaterielInfo").empty());
  EXPECT_EQ(lines("cbMaterielInfo", 2).size(), 10u);
}

TEST_F(PeriodResetTest, ADatabaseErrorVotesAbortAndKeepsTheStatementsBeforeIt) {
  expectAbortOn("DeleteCalInfo", "cbWNCalInfo");
  // Steps 1 to 7 ran; step 9 onwards did not.
  EXPECT_EQ(lines("cbMaterielInfo").size(), 2u);
  EXPECT_EQ(count("cbWCalInfo", "FYear = 2024 AND FPeriod = 3"), 0);
  EXPECT_EQ(count("CBCalInfoDetail", "FYear = 2024 AND FPeriod = 3"), 2);
}

TEST_F(PeriodResetTest, DeleteNDisTableVotesAbortOnADatabaseErrorAndKeepsTheStatementsBeforeIt) {
  expectAbortOn("DeleteNDisTable", "cbWMaterielInfo");
  // Steps 1 to 3 ran.
  EXPECT_EQ(bills("cbExpenseDistributeInfo"), (Rows{{"100"}}));
  EXPECT_EQ(lines("cbMaterielInfo"), (Rows{{"10", "1"}, {"10", "2"}}));
  EXPECT_EQ(bills("cbWExpenseDistributeInfo"), (Rows{{"101"}}));
}

}  // namespace
}  // namespace mls::testing
