// ConcludeUpdate.CalCompleteQty, CalProductQty and UpdateCalCompleteQtyStatus:
// the rule of each calculation type, the receipts that count, the client's
// period dates, the system-profile flag and the frame.
#include "calc_fixture.h"

namespace mls::testing {
namespace {

using com::Vote;

// Products: 1 of cost objects 1 (906) and 2 (907); 2 of 3 (908, batch B1),
// 4 (908, B2) and 5 (906); 3 and 4 of the classification object 6 (909,
// coefficients 1 and 0.5, standard product 3 with whole units); 4 also the
// standard product of 7 (906); 5 of the classification object 8 (909,
// standard product without decimals set).  Cost object 9 has no calculation
// type: an ordinary one of product 1.  The classification object 10 makes 9
// (8 decimals) at a coefficient of 0.123456789: every digit of the product of
// line and coefficient counts, not only its first six decimals.  11's
// standard product is no item: it rounds to 4 decimals.
class QuantitiesTest : public CalcTest {
 protected:
  void SetUp() override {
    CalcTest::SetUp();
    department(1, 361);
    department(2, 362);
    item(1);
    item(2, 2, 80);
    item(3, 0);
    item(4, 2);
    item(5);
    costObject(1, 906, 1);
    costObject(2, 907, 1);
    costObject(3, 908, 2, "B1");
    costObject(4, 908, 2, "B2");
    costObject(5, 906, 2);
    costObject(6, 909, 3);
    coProduct(6, 3, 1.0);
    coProduct(6, 4, 0.5, 1);
    costObject(7, 906, 4);
    costObject(8, 909, 5);
    coProduct(8, 5, 1.0);
    costObject(9, std::nullopt, 1);
    item(9, 8);
    costObject(10, 909, 9);
    coProduct(10, 9, 0.123456789);
    costObject(11, 909, 77);
    coProduct(11, 78, 0.5);
    // Receipts of March: counted in department 1 (bill 1, on the first day),
    // left out in the auxiliary department 2, unchecked, cancelled, dated in
    // April, and an issue of product 1.
    bill({.id = 1, .type = 2, .date = "2024-03-01", .purpose = 0});
    line(1, 1, 1, 10);
    line(1, 2, 2, 5, "B1");
    line(1, 3, 2, 7, "B2");
    line(1, 4, 3, 10);
    line(1, 5, 4, 5);
    line(1, 6, 5, 1.23456);
    line(1, 7, 9, 3);
    line(1, 8, 78, 3.33333);
    bill({.id = 2, .type = 2, .dept = 2, .purpose = 0});
    bill({.id = 3, .type = 2, .status = 0, .purpose = 0});
    bill({.id = 4, .type = 2, .cancellation = 1, .purpose = 0});
    bill({.id = 5, .type = 2, .date = "2024-04-01", .purpose = 0});
    bill({.id = 6, .type = 24});
    for (int id = 2; id <= 6; ++id)
      line(id, 1, 1, 100);
    line(6, 2, 2, 100, "B1");
    snapshot(2024, 3);
  }

  Rows completeQty(int period = 3) const {
    return rows("SELECT FDeptID, FCostObjID, FQty FROM cbCompleteQty WHERE FYear = 2024 AND FPeriod = " +
                std::to_string(period) + " ORDER BY FDeptID, FCostObjID");
  }
  Rows productQty() const {
    return rows(
        "SELECT FDeptID, FCostObjID, FProductID, FBatchNo, FQty FROM cbProductQty WHERE FYear = 2024 "
        "AND FPeriod = 3 ORDER BY FDeptID, FCostObjID, FProductID");
  }
};

const Rows kComplete{{"1", "1", "10"},          {"1", "2", "10"},     {"1", "3", "5"},      {"1", "4", "7"},
                     {"1", "5", "12"},          {"1", "6", "13"},     {"1", "8", "1.2346"}, {"1", "9", "10"},
                     {"1", "10", "0.37037037"}, {"1", "11", "1.6667"}};

TEST_F(QuantitiesTest, CompletedAndProductQuantitiesByCalculationType) {
  com::VoteRecorder votes;
  EXPECT_TRUE(call("CalCompleteQty", {2024, 3}).isEmpty());
  EXPECT_TRUE(call("CalProductQty", {2024, 3}).isEmpty());
  EXPECT_EQ(votes.votes(), std::vector<Vote>(2, Vote::Complete));
  // 906/907 the full quantity of their product, each; 908 its own batch; 906
  // over batches; 909 10 x 1 + 5 x 0.5 = 12.5 rounded half away from zero to
  // 13, and 1.23456 to the 4 decimals of an unset product; product 4 never
  // counts for the 906 object 7.
  EXPECT_EQ(completeQty(), kComplete);
  EXPECT_EQ(productQty(), (Rows{{"1", "1", "1", "", "10"},
                                {"1", "2", "1", "", "10"},
                                {"1", "3", "2", "B1", "5"},
                                {"1", "4", "2", "B2", "7"},
                                {"1", "5", "2", "", "12"},
                                {"1", "6", "3", "", "10"},
                                {"1", "6", "4", "", "5"},
                                {"1", "8", "5", "", "1.23456"},
                                {"1", "9", "1", "", "10"},
                                {"1", "10", "9", "", "3"},
                                {"1", "11", "78", "", "3.33333"}}));
}

TEST_F(QuantitiesTest, ARunReplacesThePeriodOnly) {
  exec(
      "INSERT INTO cbCompleteQty (FYear, FPeriod, FDeptID, FCostObjID, FQty) VALUES (2024, 3, 1, 99, 1), "
      "(2024, 2, 1, 99, 2)");
  exec(
      "INSERT INTO cbProductQty (FYear, FPeriod, FDeptID, FCostObjID, FProductID, FQty) VALUES (2024, 3, 1, "
      "99, 1, 1), (2024, 4, 1, 99, 1, 2)");
  call("CalCompleteQty", {2024, 3});
  call("CalCompleteQty", {2024, 3});
  call("CalProductQty", {2024, 3});
  EXPECT_EQ(completeQty(), kComplete);
  EXPECT_EQ(completeQty(2), (Rows{{"1", "99", "2"}}));
  EXPECT_EQ(count("cbProductQty", "FCostObjID = 99"), 1);
  EXPECT_EQ(count("cbProductQty", "FPeriod = 3"), 11);
}

TEST_F(QuantitiesTest, TheClientsPeriodDatesReplaceTheComponentsWhenFlagged) {
  // A window from the 2nd: bill 1 of the 1st is out, nothing counts.
  call("CalCompleteQty", {2024, 3, clientDates(1, "2024-03-02", "2024-04-01")});
  EXPECT_TRUE(completeQty().empty());
  // Not flagged: the component's window.
  call("CalCompleteQty", {2024, 3, clientDates(0, "2024-03-02", "2024-04-01")});
  EXPECT_EQ(completeQty(), kComplete);
}

TEST_F(QuantitiesTest, ClientsPeriodDatesThatAreNoDatesOrOutOfRangeFailBeforeAnyDelete) {
  call("CalCompleteQty", {2024, 3});
  const std::pair<const char*, int32_t> ends[] = {{"the first of April", com::err::kTypeMismatch},
                                                  {"1752-04-01", com::err::kInvalidCall}};
  for (const auto& [next, error] : ends) {
    EXPECT_EQ(failure("CalCompleteQty", {2024, 3, clientDates(1, "2024-03-01", next)}).number, error) << next;
    EXPECT_EQ(completeQty(), kComplete) << next;
  }
}

TEST_F(QuantitiesTest, TheFlagIsSetOnceAndStays) {
  db_.setProfile("CB", "CB_CALCOMPLETEQTY_OK", "0");
  com::VoteRecorder votes;
  call("UpdateCalCompleteQtyStatus");
  call("UpdateCalCompleteQtyStatus");
  EXPECT_EQ(votes.votes(), (std::vector<Vote>{Vote::Complete, Vote::Complete}));
  EXPECT_EQ(
      rows("SELECT FValue FROM t_SystemProfile WHERE FCategory = 'CB' AND FKey = 'CB_CALCOMPLETEQTY_OK'"),
      (Rows{{"1"}}));
}

TEST_F(QuantitiesTest, DatabaseErrorsVoteAsEachMethodSays) {
  exec("DROP TABLE t_ICItem");
  for (const char* method : {"CalCompleteQty", "CalProductQty"}) {
    com::VoteRecorder votes;
    com::ExcepInfo e = failure(method, {2024, 3});
    EXPECT_EQ(votes.votes(), std::vector<Vote>{Vote::Abort}) << method;
    EXPECT_NE(e.description.find("t_ICItem"), std::string::npos) << method;
    EXPECT_FALSE(e.source.starts_with("Marlstone.ConcludeUpdate")) << method;
  }
  // The statements before the failing one stay done: batch costing is in.
  EXPECT_EQ(completeQty(), (Rows{{"1", "3", "5"}, {"1", "4", "7"}}));

  exec("DROP TABLE t_SystemProfile");
  com::VoteRecorder votes;
  com::ExcepInfo e = failure("UpdateCalCompleteQtyStatus");
  EXPECT_TRUE(votes.votes().empty());
  EXPECT_NE(e.description.find("t_Systemprofile"), std::string::npos);
}

}  // namespace
}  // namespace mls::testing
