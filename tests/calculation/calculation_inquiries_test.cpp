// CalInfo.IsRequestAssist, IsRequestMake, GetProductAmount and GetOnOkCostObj:
// which issues count for a level, the level's product amounts and the cost
// objects completed in the period.
#include "cal_info_inquiry_fixture.h"
#include "frame/sql_literal.h"

namespace mls::testing {
namespace {

using frame::sqlNumber;
using frame::sqlText;

struct Issue {
  int dept = 2;
  std::string date = "2024-03-10";
  int item = 10;
  int costObj = 5;
  int type = 24;
  int status = 1;
  int cancellation = 0;
};

// March 2024.  Departments 1 (production), 2 (auxiliary production), 3 (some
// other type).  Cost object 5 has no number, 6 has one.  Product cost rows:
// product 10 at level 1 and 11 at level 2 in March; 12 at level 1 in February
// and 13 at level 1 in March 2023.
class RequestTest : public CalInfoInquiryTest {
 protected:
  void SetUp() override {
    CalInfoInquiryTest::SetUp();
    department(1, 361);
    department(2, 362);
    department(3, 363);
    exec(
        "INSERT INTO cbCostObj (FItemID, FNumber, FName) VALUES (5, '', 'No number'), (6, 'A06', "
        "'Numbered')");
    productRow(2024, 3, 1, 10);
    productRow(2024, 3, 2, 11);
    productRow(2024, 2, 1, 12);
    productRow(2023, 3, 1, 13);
    snapshot(2024, 3);
  }

  void productRow(int year, int period, int level, int product) const {
    exec(
        "INSERT INTO cbProductCalInfo (FYear, FPeriod, FLevel, FDeptID, FCostObjID, FProductID, FAmount) "
        "VALUES (" +
        sqlNumber(year) + ", " + sqlNumber(period) + ", " + sqlNumber(level) + ", 1, 5, " +
        sqlNumber(product) + ", 1)");
  }

  // Replaces the snapshot's bills by one issue of one line.
  void onlyIssue(const Issue& i) const {
    exec("DELETE FROM cb_ICStockBill DELETE FROM cb_ICStockBillEntry");
    exec(
        "INSERT INTO cb_ICStockBill (FInterID, FTranType, FDate, FDeptID, FStatus, FCancellation) VALUES "
        "(1, " +
        sqlNumber(i.type) + ", " + sqlText(i.date) + ", " + sqlNumber(i.dept) + ", " + sqlNumber(i.status) +
        ", " + sqlNumber(i.cancellation) + ")");
    exec("INSERT INTO cb_ICStockBillEntry (FInterID, FEntryID, FItemID, FCostOBJID) VALUES (1, 1, " +
         sqlNumber(i.item) + ", " + sqlNumber(i.costObj) + ")");
  }

  bool assist() { return call("IsRequestAssist", {2024, 3, 1}).toBool(); }
};

TEST_F(RequestTest, WhichIssuesOfALevelsProductsCount) {
  struct Case {
    const char* what;
    Issue issue;
    bool assist;
    bool make;
    int level = 1;
    int period = 3;
  };
  const Case cases[] = {
      {"auxiliary, first day", {.date = "2024-03-01"}, true, false},
      {"auxiliary, last day", {.date = "2024-03-31"}, true, false},
      {"auxiliary, status 2", {.status = 2}, true, false},
      {"first day of the next period", {.date = "2024-04-01"}, false, false},
      {"last day of the previous period", {.date = "2024-02-29"}, false, false},
      {"cancelled", {.cancellation = 1}, false, false},
      {"unchecked", {.status = 0}, false, false},
      {"a receipt", {.type = 2}, false, false},
      {"a product of level 2", {.item = 11}, false, false},
      {"a level-1 product of February", {.item = 12}, false, false},
      {"a level-1 product of March 2023", {.item = 13}, false, false},
      {"an item without product rows", {.item = 99}, false, false},
      {"another department type", {.dept = 3}, false, false},
      {"production, no number", {.dept = 1}, false, true},
      {"production, first day", {.dept = 1, .date = "2024-03-01"}, false, true},
      {"production, next period", {.dept = 1, .date = "2024-04-01"}, false, false},
      {"production, numbered", {.dept = 1, .costObj = 6}, false, false},
      {"production, unknown cost object", {.dept = 1, .costObj = 99}, false, false},
      {"production, cancelled", {.dept = 1, .cancellation = 1}, false, false},
      {"production, unchecked", {.dept = 1, .status = 0}, false, false},
      {"production, a receipt", {.dept = 1, .type = 2}, false, false},
      // The level and period choose the products; a level without product
      // rows in the period answers False.
      {"auxiliary, level 2", {.item = 11}, true, false, 2},
      {"production, level 2", {.dept = 1, .item = 11}, false, true, 2},
      {"level 3", {}, false, false, 3},
      {"production, level 3", {.dept = 1}, false, false, 3},
      {"February's level 1", {.date = "2024-02-10", .item = 12}, true, false, 1, 2},
      {"not of February's level 1", {.date = "2024-02-10"}, false, false, 1, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    onlyIssue(c.issue);
    EXPECT_EQ(call("IsRequestAssist", {2024, c.period, c.level}).toBool(), c.assist);
    EXPECT_EQ(call("IsRequestMake", {2024, c.period, c.level}).toBool(), c.make);
  }
}

TEST_F(RequestTest, ThePeriodComponentGivesTheWindow) {
  db_.setCalendar(2024, {"2024-01-01", "2024-02-01", "2024-03-05", "2024-04-03", "2024-05-01", "2024-06-01",
                         "2024-07-01", "2024-08-01", "2024-09-01", "2024-10-01", "2024-11-01", "2024-12-01"});
  onlyIssue({.date = "2024-03-04"});
  EXPECT_FALSE(assist());
  onlyIssue({.date = "2024-04-02"});
  EXPECT_TRUE(assist());
  onlyIssue({.date = "2024-04-03"});
  EXPECT_FALSE(assist());
}

class ProductAmountTest : public CalInfoInquiryTest {
 protected:
  void SetUp() override {
    CalInfoInquiryTest::SetUp();
    exec(
        "INSERT INTO cbProductCalInfo (FYear, FPeriod, FLevel, FDeptID, FCostObjID, FCostItemID, FProductID, "
        "FBatchNo, FAmount) VALUES (2024, 3, 1, 1, 5, 1, 10, '', 10.5), (2024, 3, 1, 1, 5, 2, 10, '', 4.25), "
        "(2024, 3, 1, 1, 6, 1, 10, '', 0.25), (2024, 3, 1, 1, 5, 1, 10, 'B1', 3), (2024, 3, 1, 2, 5, 1, 10, "
        "'', 1), (2024, 3, 1, 1, 7, 1, 20, '', -2), (2024, 3, 2, 1, 5, 1, 10, '', 100), (2024, 2, 1, 1, 5, "
        "1, 10, '', 200), (2023, 3, 1, 1, 5, 1, 10, '', 300)");
  }
};

TEST_F(ProductAmountTest, SumsTheLevelsRowsPerDepartmentProductAndBatch) {
  com::Variant answer = call("GetProductAmount", {2024, 3, 1});
  EXPECT_EQ(columnsOf(answer), (std::vector<std::string>{"FDeptID", "FProductID", "FBatchNo", "FAmount"}));
  // Cost items and cost objects of one product and batch add up.
  EXPECT_EQ(
      rowsOf(answer),
      (Rows{{"1", "10", "", "15"}, {"1", "10", "B1", "3"}, {"1", "20", "", "-2"}, {"2", "10", "", "1"}}));
  EXPECT_EQ(rowsOf(call("GetProductAmount", {2024, 3, 2})), (Rows{{"1", "10", "", "100"}}));
  EXPECT_EQ(rowsOf(call("GetProductAmount", {2024, 2, 1})), (Rows{{"1", "10", "", "200"}}));
  // A level without rows: an empty recordset with the columns.
  com::Variant none = call("GetProductAmount", {2024, 3, 3});
  EXPECT_TRUE(rowsOf(none).empty());
  EXPECT_EQ(columnsOf(none).size(), 4u);
  EXPECT_TRUE(rowsOf(call("GetProductAmount", {2024, 4, 1})).empty());
}

// Completed quantities of March: cost object 1 in two departments, 2 summing
// to 0, 3 only in February, 4 without a cost-object row, 7 with a Chinese
// name.
class CompletedCostObjTest : public CalInfoInquiryTest {
 protected:
  void SetUp() override {
    CalInfoInquiryTest::SetUp();
    exec(
        "INSERT INTO cbCostObj (FItemID, FNumber, FName) VALUES (1, 'A01', 'Shaft'), (2, 'A02', 'Gear'), "
        "(3, 'A03', 'Pin'), (7, N'A07', N'\xE8\xBB\xB8')");
    exec(
        "INSERT INTO cbCompleteQty (FYear, FPeriod, FDeptID, FCostObjID, FQty) VALUES "
        "(2024, 3, 1, 1, 3), (2024, 3, 2, 1, 4.5), (2024, 3, 1, 2, 5), (2024, 3, 2, 2, -5), "
        "(2024, 2, 1, 3, 8), (2024, 3, 1, 4, 6), (2024, 3, 1, 7, 2)");
  }
};

TEST_F(CompletedCostObjTest, ListsEachCostObjectWithItsQuantityOverDepartments) {
  com::Variant answer = call("GetOnOkCostObj", {2024, 3});
  EXPECT_EQ(columnsOf(answer), (std::vector<std::string>{"FCostObjID", "FCostObjNumber", "FCostObjName",
                                                         "FTName", "FQty", "FSort"}));
  EXPECT_EQ(rowsOf(answer), (Rows{{"1", "A01", "Shaft", "(A01)Shaft", "7.5", "0"},
                                  {"7", "A07", "\xE8\xBB\xB8", "(A07)\xE8\xBB\xB8", "2", "0"}}));
  EXPECT_EQ(rowsOf(call("GetOnOkCostObj", {2024, 2})), (Rows{{"3", "A03", "Pin", "(A03)Pin", "8", "0"}}));
  EXPECT_TRUE(rowsOf(call("GetOnOkCostObj", {2024, 4})).empty());
}

TEST_F(CompletedCostObjTest, ALongNumberAndNameFitTheCaption) {
  const std::string number(80, 'N');
  const std::string name(255, 'x');
  exec("INSERT INTO cbCostObj (FItemID, FNumber, FName) VALUES (8, " + sqlText(number) + ", " +
       sqlText(name) + ")");
  exec("INSERT INTO cbCompleteQty (FYear, FPeriod, FDeptID, FCostObjID, FQty) VALUES (2024, 5, 1, 8, 1)");
  EXPECT_EQ(rowsOf(call("GetOnOkCostObj", {2024, 5})),
            (Rows{{"8", number, name, "(" + number + ")" + name, "1", "0"}}));
}

}  // namespace
}  // namespace mls::testing
