// CalInfo.GetCaculateInfo: the amounts, materials, quantities and zero-amount
// lines of the listed cost objects, the list itself (bad elements, repeats, an
// empty list) and the frame of the call.
#include <algorithm>

#include "cost_inputs_fixture.h"
#include "platform/com/object_context.h"
#include "platform/halvern/dictionary.h"

namespace mls::testing {
namespace {

using com::Vote;

Rows sorted(Rows rows) {
  std::sort(rows.begin(), rows.end());
  return rows;
}

const char* const kKeys[] = {"OperateInfo", "SpendMateriel", "OverOnlineQty",
                             "ZeroInfo",    "PPBOMInfo",     "OnlineMaterielDispInfo"};

// March 2024, departments 1 and 2; cost objects 10 and 20 are listed, 30 never.
// Issue bill 1 (normal use, department 1): material 500 in batches A and B,
// batch-tracked 501 in L1 and L2, 502 at zero amount.  Bill 2 (repairable
// waste) issues 500 of batch A and 502 at zero amount; bill 3 (residual-value
// return, department 2) takes back 500.
class ActualCostInputsTest : public CostInputsTest {
 protected:
  void SetUp() override {
    CostInputsTest::SetUp();
    department(1, 361);
    department(2, 361);
    costItem(1, 901);
    costItem(2, 902);
    costItem(3, 903);
    item(500, 2);
    item(501, std::nullopt, 80);
    item(502, 3);
    exec("UPDATE t_ICItem SET FErpClsID = FItemID - 499 WHERE FItemID IN (500, 501)");
    bill({.id = 1});
    line(1, 1, 500, 10, "A");
    line(1, 2, 500, 5, "B");
    line(1, 3, 501, 4, "L1");
    line(1, 4, 501, 6, "L2");
    line(1, 5, 502, 1);
    bill({.id = 2, .purpose = 12001});
    line(2, 1, 500, 2, "A");
    line(2, 2, 502, 1);
    bill({.id = 3, .dept = 2, .purpose = 12002});
    line(3, 1, 500, -1, "C");
    exec(
        "UPDATE ICStockBillEntry SET FAmount = CASE FInterID * 10 + FEntryID WHEN 11 THEN 50 WHEN 12 THEN 25 "
        "WHEN 13 THEN 40 WHEN 14 THEN 60 WHEN 21 THEN 8 WHEN 31 THEN -3 ELSE 0 END");
    snapshot(2024, 3);

    exec(
        "INSERT INTO cbMaterielInfo (FYear, FPeriod, FInterID, FEntryID, FCostObjID, FCostItemID, FQty, "
        "FAmount) VALUES (2024, 3, 1, 1, 10, 1, 10, 50), (2024, 3, 1, 2, 10, 1, 5, 25), "
        "(2024, 3, 1, 3, 10, 1, 4, 40), (2024, 3, 1, 4, 10, 1, 6, 60), (2024, 3, 1, 5, 10, 1, 1, 0), "
        "(2024, 3, 1, 5, 10, 2, 0, 0), (2024, 3, 1, 5, 20, 1, 0, 0), (2024, 3, 1, 5, 30, 1, 0, 0), "
        "(2024, 3, 1, 1, 30, 1, 1, 1), (2024, 2, 1, 1, 10, 1, 100, 100)");
    exec(
        "INSERT INTO cbWMaterielInfo (FYear, FPeriod, FInterID, FEntryID, FCostObjID, FCostItemID, FQty, "
        "FAmount) VALUES (2024, 3, 2, 1, 10, 1, 2, 8), (2024, 3, 2, 2, 10, 1, 1, 0)");
    exec(
        "INSERT INTO CBWBMaterielInfo (FYear, FPeriod, FInterID, FEntryID, FCostObjID, FCostItemID, FQty, "
        "FAmount) VALUES (2024, 3, 3, 1, 10, 1, -1, -3)");
    exec(
        "INSERT INTO cbCostExpenseInfo (FInterID, FYear, FPeriod, FDeptID, FPurposeID) VALUES "
        "(100, 2024, 3, 1, 0), (101, 2024, 3, 1, 1)");
    exec(
        "INSERT INTO cbExpenseDistributeInfo (FYear, FPeriod, FInterID, FCostObjID, FCostItemID, FAmount) "
        "VALUES (2024, 3, 100, 10, 1, 12), (2024, 3, 100, 30, 1, 99)");
    exec(
        "INSERT INTO cbWExpenseDistributeInfo (FYear, FPeriod, FInterID, FCostObjID, FCostItemID, FAmount) "
        "VALUES (2024, 3, 101, 10, 2, 1.5)");
    const char* own = " (FYear, FPeriod, FDeptID, FCostObjID, FCostItemID, FAmount) VALUES ";
    exec(std::string("INSERT INTO cbAssistDistrbuteInfo") + own +
         "(2024, 3, 1, 10, 2, 30), (2024, 4, 1, 10, 2, 9)");
    exec(std::string("INSERT INTO cbMakeDistributeInfo") + own +
         "(2024, 3, 1, 20, 3, 8), (2024, 3, 1, 30, 3, 99)");
    exec(std::string("INSERT INTO cbWAssistDistrbuteInfo") + own + "(2024, 3, 1, 10, 3, 2)");
    exec(std::string("INSERT INTO cbWMakeDistributeInfo") + own + "(2024, 3, 1, 10, 9, 0.5)");
    exec(
        "INSERT INTO CBWasterAmends (FYear, FPeriod, FDeptID, FCostObjID, FCostItemID, FWasterTypeID, "
        "FAmount) VALUES (2024, 3, 1, 10, 1, 1, 4), (2024, 3, 1, 10, 1, 0, 6)");
    exec(
        "INSERT INTO cbBalance (FYear, FPeriod, FDepID, FProductID, FCostID, FBegBal) VALUES "
        "(2024, 3, 1, 10, 1, 100), (2024, 3, 1, 10, -1, 5), (2024, 3, 1, 10, 0, 5), (2024, 3, 1, 10, 2, 0), "
        "(2024, 2, 1, 10, 1, 1000), (2024, 3, 1, 30, 1, 7), (2024, 3, 2, 20, -1, 5)");
    exec(
        "INSERT INTO cbCostObjDetail (FYear, FPeriod, FDepID, FCostObjID, FCostItemID, FMaterielID, "
        "FBatchNo, FSum, FQty) VALUES (2024, 3, 1, 10, 1, 500, 'Z', 11, 1), (2024, 3, 1, 10, 1, 777, 'K', 7, "
        "2), (2024, 3, 1, 30, 1, 500, '', 1, 1)");
    // Producers: of 501 in L1 the 906 object 40 and the 909 object 41, of 501
    // in L2 the 908 object 42; of 500 without batch the 907 object 43 and the
    // 908 object 45, of 500 in batch A the 908 object 44.
    costObject(40, 906, 501, "L1");
    costObject(41, 909, 501, "L1");
    costObject(42, 908, 501, "L2");
    costObject(43, 907, 500);
    costObject(44, 908, 500, "A");
    costObject(45, 908, 500);
    for (int obj : {40, 41, 42})
      coProduct(obj, 501, 1);
    for (int obj : {43, 44, 45})
      coProduct(obj, 500, 1);

    exec(
        "INSERT INTO cbCompleteQty (FYear, FPeriod, FDeptID, FCostObjID, FQty) VALUES (2024, 3, 1, 10, 100), "
        "(2024, 3, 1, 30, 5), (2024, 2, 1, 20, 7)");
    exec(
        "INSERT INTO cbCostObjCheck (FYear, FPeriod, FDeptID, FCostObjID, FQty) VALUES (2024, 3, 1, 10, 20), "
        "(2024, 3, 2, 10, 3)");
    exec(
        "INSERT INTO CBWasterCostObjInfo (FYear, FPeriod, FDeptID, FCostObjID, FWasterTypeID, FQty, "
        "FMatPercent, FOthPercent) VALUES (2024, 3, 1, 10, 1, 10, 50, 33.3333333333), "
        "(2024, 3, 1, 10, 0, 10, 100, 100), (2024, 3, 1, 20, 1, 4, 100, 25)");
  }
};

TEST_F(ActualCostInputsTest, EveryKeyHoldsItsColumnsInOrder) {
  com::Variant answer = inputs({10, 20});
  EXPECT_EQ(columns(answer, "OperateInfo"),
            (std::vector<std::string>{"FDeptID", "FCostObjID", "FCostItemID", "FBegAmount", "FNorAmount",
                                      "FWasAmount", "FAskAmount", "FYAskAmount", "FBadAmount", "FTypeID"}));
  EXPECT_EQ(
      columns(answer, "SpendMateriel"),
      (std::vector<std::string>{"FDeptID", "FCostObjID", "FCostItemID", "FMaterielID", "FErpClsID",
                                "FQtyDecimal", "FSpendCostObjID", "FBatchNo", "FBegAmount", "FNorAmount",
                                "FWasAmount", "FBegQty", "FNorQty", "FWasQty", "FBadAmount", "FBadQty"}));
  EXPECT_EQ(columns(answer, "OverOnlineQty"),
            (std::vector<std::string>{"FDeptID", "FCostObjID", "FOverQty", "FOnlineQty", "FNoMatWasQty",
                                      "FNoOthWasQty", "FSumQty"}));
  EXPECT_EQ(columns(answer, "ZeroInfo"),
            (std::vector<std::string>{"FCostObjID", "FBillNo", "FEntryID", "FNumber", "FName"}));
  EXPECT_EQ(columns(answer, "PPBOMInfo"), (std::vector<std::string>{"FCostObjID", "FItemID", "FQtyScrap"}));
  EXPECT_EQ(columns(answer, "OnlineMaterielDispInfo"),
            (std::vector<std::string>{"FDeptID", "FCostObjID", "FItemID", "FBatchNo", "FQty", "FAmount"}));
  auto* dict = dynamic_cast<halvern::Dictionary*>(answer.toObject().get());
  ASSERT_TRUE(dict);
  EXPECT_EQ(dict->keys(), std::vector<std::string>(std::begin(kKeys), std::end(kKeys)));
}

TEST_F(ActualCostInputsTest, AmountsPerDepartmentCostObjectAndEveryCostItem) {
  com::Variant answer = inputs({10, 20});
  // Department 1: beginning 100 (the -1, 0 and zero balances left out);
  // material 175 and expense 12 in one normal amount; waste from the four
  // twins (cost item 9 is unknown: no type); amendments by waste type.
  // Department 2 only by the residual-value return.
  EXPECT_EQ(rowsOf(answer, "OperateInfo", "10"),
            sorted({{"1", "10", "1", "100", "187", "8", "6", "4", "0", "901"},
                    {"1", "10", "2", "0", "30", "1.5", "0", "0", "0", "902"},
                    {"1", "10", "3", "0", "0", "2", "0", "0", "0", "903"},
                    {"1", "10", "9", "0", "0", "0.5", "0", "0", "0", "NULL"},
                    {"2", "10", "1", "0", "0", "0", "0", "0", "-3", "901"},
                    {"2", "10", "2", "0", "0", "0", "0", "0", "0", "902"},
                    {"2", "10", "3", "0", "0", "0", "0", "0", "0", "903"}}));
  // One amount of one cost item: a row for each cost item, zeros included.
  EXPECT_EQ(rowsOf(answer, "OperateInfo", "20"),
            sorted({{"1", "20", "1", "0", "0", "0", "0", "0", "0", "901"},
                    {"1", "20", "2", "0", "0", "0", "0", "0", "0", "902"},
                    {"1", "20", "3", "0", "8", "0", "0", "0", "0", "903"}}));
  EXPECT_EQ(rowset(answer, "OperateInfo").size(), 10u);
}

TEST_F(ActualCostInputsTest, MaterialsByBatchWithTheirProducer) {
  com::Variant answer = inputs({10, 20});
  // 500 is not batch-tracked: beginning batch Z, issues A and B and the waste
  // issue A fall into one row without batch, produced by the 908 object 45
  // before the 907 object 43.  501 keeps its batches, each with its own
  // producer (909 before 906).  777 is no item: its batch stays, class NULL,
  // 4 decimals, no producer.
  EXPECT_EQ(rowsOf(answer, "SpendMateriel", "10"),
            sorted({{"1", "10", "1", "500", "1", "2", "45", "", "11", "75", "8", "1", "15", "2", "0", "0"},
                    {"1", "10", "1", "501", "2", "4", "41", "L1", "0", "40", "0", "0", "4", "0", "0", "0"},
                    {"1", "10", "1", "501", "2", "4", "42", "L2", "0", "60", "0", "0", "6", "0", "0", "0"},
                    {"1", "10", "1", "502", "NULL", "3", "0", "", "0", "0", "0", "0", "1", "1", "0", "0"},
                    {"1", "10", "2", "502", "NULL", "3", "0", "", "0", "0", "0", "0", "0", "0", "0", "0"},
                    {"1", "10", "1", "777", "NULL", "4", "0", "K", "7", "0", "0", "2", "0", "0", "0", "0"},
                    {"2", "10", "1", "500", "1", "2", "45", "", "0", "0", "0", "0", "0", "0", "-3", "-1"}}));
  EXPECT_EQ(rowsOf(answer, "SpendMateriel", "20"),
            (Rows{{"1", "20", "1", "502", "NULL", "3", "0", "", "0", "0", "0", "0", "0", "0", "0", "0"}}));
}

TEST_F(ActualCostInputsTest, CompletedWorkInProcessAndWasteQuantities) {
  com::Variant answer = inputs({10, 20});
  // Waste of type 1 only, weighted by its percentages; the sum leaves it out.
  EXPECT_EQ(rowset(answer, "OverOnlineQty"), sorted({{"1", "10", "100", "20", "5", "3.3333333333", "120"},
                                                     {"2", "10", "0", "3", "0", "0", "3"},
                                                     {"1", "20", "0", "0", "4", "1", "0"}}));
  // Without completed quantity, counted work in process or waste: no row.
  costObject(50, 906, 500);
  EXPECT_TRUE(rowset(inputs({50}), "OverOnlineQty").empty());
}

TEST_F(ActualCostInputsTest, ZeroAmountLinesOfNormalUseOncePerDistributionRow) {
  com::Variant answer = inputs({10, 20});
  // Line 1/5 went to object 10 under two cost items and to object 20; the
  // waste line 2/2 of zero amount is not listed.
  EXPECT_EQ(rowset(answer, "ZeroInfo"), sorted({{"10", "B1", "5", "I502", "Item 502"},
                                                {"10", "B1", "5", "I502", "Item 502"},
                                                {"20", "B1", "5", "I502", "Item 502"}}));
}

TEST_F(ActualCostInputsTest, OnlyTheListedCostObjectsCountEachOnce) {
  com::Variant answer = inputs({10, 20});
  com::Variant only20 = inputs({20});
  for (const char* key : kKeys) {
    EXPECT_TRUE(rowsOf(answer, key, "30").empty()) << key;
    EXPECT_TRUE(rowsOf(only20, key, "10").empty()) << key;
    EXPECT_EQ(rowset(inputs({10, com::Variant("20"), 10.0, 20}), key), rowset(answer, key)) << key;
  }
  EXPECT_EQ(rowsOf(only20, "OperateInfo", "20"), rowsOf(answer, "OperateInfo", "20"));
}

TEST_F(ActualCostInputsTest, AnEmptyListAnswersSixEmptyRowsets) {
  com::Variant answer = inputs({});
  for (const char* key : kKeys)
    EXPECT_TRUE(rowset(answer, key).empty()) << key;
  EXPECT_EQ(columns(answer, "ZeroInfo").size(), 5u);
}

TEST_F(ActualCostInputsTest, AnElementThatIsNoCostObjectIDIsRefusedBeforeAnythingRuns) {
  for (const com::Variant& bad :
       {com::Variant("1) DROP TABLE cbBalance --"), com::Variant::null(), com::Variant(), com::Variant(1.5),
        com::Variant("abc"), com::Variant(3e10)}) {
    com::VoteRecorder votes;
    com::ExcepInfo e = inputsFailure({10, bad});
    EXPECT_EQ(e.number, 13) << bad.debugString();
    EXPECT_EQ(e.source, "Marlstone.CalInfo.GetCaculateInfo") << bad.debugString();
    EXPECT_NE(e.description.find("(0, 1)"), std::string::npos) << e.description;
    EXPECT_EQ(votes.votes(), std::vector<Vote>{Vote::Complete});
  }
  EXPECT_EQ(count("cbBalance"), 7);
  EXPECT_EQ(inputsFailure({com::Variant("abc")}).description,
            "Element (0, 0) of the cost-object list is not a cost-object ID: abc");

  // A list that is not a two-dimensional array.
  EXPECT_EQ(failure("GetCaculateInfo", {com::Variant(com::SafeArray::vector({10})), 2024, 3}).number, 9);
}

TEST_F(ActualCostInputsTest, ReadsUncommittedRowsAndLoadsTheListInOneBatch) {
  com::VoteRecorder votes;
  com::Variant answer;
  auto recording = whileUncommitted(
      "INSERT INTO cbCompleteQty (FYear, FPeriod, FDeptID, FCostObjID, FQty) VALUES (2024, 3, 2, 20, 9)",
      [&] {
        answer = callWith(recordingProps(), "GetCaculateInfo", {costObjects({10, 20}), 2024, 3});
      });
  EXPECT_EQ(rowsOf(answer, "OverOnlineQty", "20"),
            sorted({{"1", "20", "0", "0", "4", "1", "0"}, {"2", "20", "9", "0", "0", "0", "9"}}));
  // SetComplete at entry, then at the entry of each of the last two builders.
  EXPECT_EQ(votes.votes(), (std::vector<Vote>{Vote::Complete, Vote::Complete, Vote::Complete}));
  // The isolation, create, one batch for the list, ..., drop.
  const std::vector<std::string>* batches = sessionOf(*recording, "#CostObj");
  ASSERT_TRUE(batches);
  EXPECT_EQ((*batches)[0], "SET TRANSACTION ISOLATION LEVEL READ UnCOMMITTED");
  EXPECT_EQ(
      (*batches)[2],
      " Insert Into  #CostObj(FCostObjID ) Values(10)\r\n Insert Into  #CostObj(FCostObjID ) Values(20)\r\n");
  EXPECT_EQ(batches->back(), "Drop Table #CostObj");
}

TEST_F(ActualCostInputsTest, ADatabaseErrorEndsTheCallWithItsSourceUnchanged) {
  exec("DROP TABLE cbBalance");
  com::VoteRecorder votes;
  com::ExcepInfo e = inputsFailure({10});
  EXPECT_EQ(votes.votes(), std::vector<Vote>{Vote::Complete});
  EXPECT_NE(e.description.find("cbBalance"), std::string::npos) << e.description;
  EXPECT_EQ(e.source.find("Marlstone.CalInfo"), std::string::npos) << e.source;
  // The failed call left nothing behind: the next one on the same object runs.
  exec(
      "CREATE TABLE cbBalance (FYear INT, FPeriod INT, FDepID INT, FProductID INT, FCostID INT, FBegBal "
      "DECIMAL(28,10))");
  EXPECT_EQ(rowsOf(inputs({20}), "OperateInfo", "20").size(), 3u);
}

}  // namespace
}  // namespace mls::testing
