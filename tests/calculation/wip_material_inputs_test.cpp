// The feed-list usage ("PPBOMInfo") and the distributed work-in-process
// materials ("OnlineMaterielDispInfo") of GetCaculateInfo: the live orders of
// the window, the lines that count, the divisor, and the names these two add
// to an error's source.
#include "cost_inputs_fixture.h"
#include "frame/sql_literal.h"
#include "platform/com/object_context.h"

namespace mls::testing {
namespace {

using com::Vote;
using frame::sqlNumber;
using frame::sqlText;

class WipMaterialInputsTest : public CostInputsTest {
 protected:
  void SetUp() override {
    CostInputsTest::SetUp();
    snapshot(2024, 3);
  }

  // A production order with one feed list (header = order * 10, status 1).
  void order(int id, int costObj, int status, double qty, const std::string& commit = "2024-02-20",
             const std::string& closed = "", const std::string& plan = "2024-03-31") const {
    exec(
        "INSERT INTO ICMO (FInterID, FCostObjID, FStatus, FCloseDate, FCommitDate, FPlanCommitDate, FQty) "
        "VALUES (" +
        sqlNumber(id) + ", " + sqlNumber(costObj) + ", " + sqlNumber(status) + ", " +
        (closed.empty() ? "NULL" : sqlText(closed)) + ", " + sqlText(commit) + ", " + sqlText(plan) + ", " +
        sqlNumber(frame::decimalOf(qty)) + ")");
    header(id * 10, id);
  }
  void header(int id, int order, int status = 1, int product = 600) const {
    exec("INSERT INTO PPBOM (FInterID, FICMOInterID, FStatus, FItemID) VALUES (" + sqlNumber(id) + ", " +
         sqlNumber(order) + ", " + sqlNumber(status) + ", " + sqlNumber(product) + ")");
  }
  void feed(int header, int entry, int material, double qtyMust, int type = 371) const {
    exec("INSERT INTO PPBOMEntry (FInterID, FEntryID, FItemID, FMaterielType, FQtyMust) VALUES (" +
         sqlNumber(header) + ", " + sqlNumber(entry) + ", " + sqlNumber(material) + ", " + sqlNumber(type) +
         ", " + sqlNumber(frame::decimalOf(qtyMust)) + ")");
  }
};

TEST_F(WipMaterialInputsTest, UsagePerUnitOfTheLiveOrders) {
  // 10: needs 10 of 601 and returns 2 (type 376) for 4 units; its own product
  // 600 and the 372/373 lines select nothing.
  order(1, 10, 1, 4);
  feed(10, 1, 601, 10);
  feed(10, 2, 601, 2, 376);
  feed(10, 3, 600, 1);
  feed(10, 4, 602, 5, 372);
  feed(10, 5, 603, 5, 373);
  // 20: two orders of 10 and 30 needing 20 and 60.
  order(2, 20, 2, 10);
  feed(20, 1, 601, 20);
  order(3, 20, 1, 30);
  feed(30, 1, 601, 60);
  // 25: closed on the first day (used), closed the day before (not used).
  order(4, 25, 3, 2, "2024-02-20", "2024-03-01");
  feed(40, 1, 601, 6);
  order(5, 25, 3, 1000, "2024-02-20", "2024-02-29");
  feed(50, 1, 601, 1);
  // 40: committed on the first day of April (used), later that day or planned
  // for the 2nd (not used); a feed list of status 0 is no feed list.
  order(6, 40, 1, 5, "2024-04-01");
  feed(60, 1, 602, 10);
  order(7, 40, 1, 100, "2024-04-01 08:00");
  feed(70, 1, 602, 1);
  order(8, 40, 1, 100, "2024-02-20", "", "2024-04-02");
  feed(80, 1, 602, 1);
  header(81, 6, 0);
  feed(81, 1, 602, 1000);
  // 50: only lines that select nothing; 60: no order.
  order(9, 50, 1, 1);
  feed(90, 1, 604, 1, 372);

  com::Variant answer = inputs({10, 20, 25, 40, 50, 60});
  // 10: (10 - 2) / 4 - the order counts once, whatever its lines.
  EXPECT_EQ(rowset(answer, "PPBOMInfo"),
            (Rows{{"10", "601", "2"}, {"20", "601", "2"}, {"25", "601", "3"}, {"40", "602", "2"}}));
}

TEST_F(WipMaterialInputsTest, AnOrderCountsOnceInTheDivisorAndOnlyWithAValidFeedList) {
  // Two feed lists of one order: 601 on one, 602 on the other, 603 on both.
  order(1, 10, 1, 5);
  feed(10, 1, 601, 10);
  feed(10, 2, 603, 2.5);
  header(11, 1);
  feed(11, 1, 602, 5);
  feed(11, 2, 603, 2.5);
  // An order whose only feed list has status 0 is in no divisor.
  exec(
      "INSERT INTO ICMO (FInterID, FCostObjID, FStatus, FCommitDate, FPlanCommitDate, FQty) VALUES (2, 10, "
      "1, '2024-02-20', '2024-03-31', 100)");
  header(21, 2, 0);
  feed(21, 1, 601, 1000);
  EXPECT_EQ(rowset(inputs({10}), "PPBOMInfo"),
            (Rows{{"10", "601", "2"}, {"10", "602", "1"}, {"10", "603", "1"}}));
}

TEST_F(WipMaterialInputsTest, TheClientsPeriodDatesSetTheWindowWhenFlagged) {
  order(4, 25, 3, 2, "2024-02-20", "2024-03-01");
  feed(40, 1, 601, 6);
  auto dates = [](int flag) { return clientDates(flag, "2024-03-02", "2024-04-01"); };
  // From the 2nd, the order closed on the 1st is out.
  EXPECT_TRUE(rowset(inputs({25}, {dates(1)}), "PPBOMInfo").empty());
  EXPECT_EQ(rowset(inputs({25}, {dates(0)}), "PPBOMInfo"), (Rows{{"25", "601", "3"}}));
}

TEST_F(WipMaterialInputsTest, OrdersOfNoQuantityGiveNoUsageAndAFailureCarriesTheBuildersName) {
  order(1, 10, 1, 0);
  feed(10, 1, 601, 10);
  EXPECT_EQ(rowset(inputs({10}), "PPBOMInfo"), (Rows{{"10", "601", "0"}}));

  exec("DROP TABLE PPBOMEntry");
  com::VoteRecorder votes;
  com::ExcepInfo e = inputsFailure({10});
  EXPECT_TRUE(e.source.starts_with("Marlstone.CalInfo.GetPPBOMInfo\r\n")) << e.source;
  EXPECT_NE(e.description.find("PPBOMEntry"), std::string::npos) << e.description;
  EXPECT_EQ(votes.votes(), (std::vector<Vote>{Vote::Complete, Vote::Complete}));
}

TEST_F(WipMaterialInputsTest, DistributedMaterialsSummedPerDepartmentObjectMaterialAndBatch) {
  exec(
      "INSERT INTO CBOnlineMaterielDispInfo (FYear, FPeriod, FDeptID, FCostObjID, FItemID, FBatchNo, FQty, "
      "FAmount) VALUES (2024, 3, 1, 10, 601, 'A', 1, 10), (2024, 3, 1, 10, 601, 'A', 2, 20.5), "
      "(2024, 3, 1, 10, 601, 'B', 1, 1), (2024, 3, 2, 10, 601, 'A', 4, 4), (2024, 2, 1, 10, 601, 'A', 9, 9), "
      "(2024, 3, 1, 30, 601, 'A', 9, 9)");
  EXPECT_EQ(rowset(inputs({10}), "OnlineMaterielDispInfo"), (Rows{{"1", "10", "601", "A", "3", "30.5"},
                                                                  {"1", "10", "601", "B", "1", "1"},
                                                                  {"2", "10", "601", "A", "4", "4"}}));

  exec("DROP TABLE CBOnlineMaterielDispInfo");
  com::VoteRecorder votes;
  com::ExcepInfo e = inputsFailure({10});
  EXPECT_TRUE(e.source.starts_with("Marlstone.CalInfo.GetOnlineMaterielDispInfo\r\n")) << e.source;
  EXPECT_NE(e.description.find("CBOnlineMaterielDispInfo"), std::string::npos) << e.description;
  EXPECT_EQ(votes.votes(), (std::vector<Vote>{Vote::Complete, Vote::Complete, Vote::Complete}));
}

}  // namespace
}  // namespace mls::testing
