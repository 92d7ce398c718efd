// The completed-quantity kind (3): the saved quantities when the system
// profile says they are computed, otherwise the live product receipts of the
// window by the rules of batch costing, classification and the other types.
#include "platform/ado/errors.h"
#include "standards/system_standard_sql.h"
#include "standards_fixture.h"
#include "support/com_errors.h"

namespace mls::testing {
namespace {

// Products: 1 of cost object 1 (906); 2 of 3 (908, batch B1); 3 and 4 of the
// classification object 6 (909, coefficients 1 and 0.5, standard product 3
// without decimals set); 4 also the standard product of 7 (906); 5 of 8,
// which has no calculation type and so is an ordinary cost object.
class CompletedQtyTest : public StandardsTest {
 protected:
  void SetUp() override {
    StandardsTest::SetUp();
    for (int id = 1; id <= 5; ++id)
      item(id);
    costObject(1, 906, 1);
    costObject(3, 908, 2, "B1");
    costObject(6, 909, 3);
    coProduct(6, 3, 1);
    coProduct(6, 4, 0.5);
    costObject(7, 906, 4);
    costObject(8, std::nullopt, 5);
    liveBill(1, 2, 0, "2024-03-01");
    liveLine({.bill = 1, .item = 1, .qty = 4});
    liveLine({.bill = 1, .item = 1, .qty = 6, .batch = "X"});
    liveLine({.bill = 1, .item = 2, .qty = 5, .batch = "B1"});
    liveLine({.bill = 1, .item = 2, .qty = 50, .batch = "B2"});
    liveLine({.bill = 1, .item = 3, .qty = 10});
    liveLine({.bill = 1, .item = 4, .qty = 3});
    liveLine({.bill = 1, .item = 5, .qty = 9});
    // Receipts that never count: unchecked, cancelled, in the next period, an
    // issue.
    liveBill(2, 2, 0, "2024-03-10", 1, 0);
    liveBill(3, 2, 0, "2024-03-10", 1, 1, 1);
    liveBill(4, 2, 0, "2024-04-01");
    liveBill(5, 24, 12000, "2024-03-10");
    for (int bill = 2; bill <= 5; ++bill)
      liveLine({.bill = bill, .item = 1, .qty = 100});
    // A receipt of department 2.
    liveBill(6, 2, 0, "2024-03-31", 2);
    liveLine({.bill = 6, .item = 1, .qty = 2});
    exec(
        "INSERT INTO cbCompleteQty (FYear, FPeriod, FDeptID, FCostObjID, FQty) VALUES (2024, 3, 1, 1, 42),"
        " (2024, 2, 1, 3, 43)");
  }

  std::string text(const std::string& column = "FQty") {
    return standards::buildSystemStandardQtySql(3, kYear, kPeriod, begin(), next(), column, false, -1);
  }
  // Cost object 1 in departments 1 and 2, then 3, 6, 7 and 8 in department 1.
  std::vector<double> values() {
    return StandardsTest::values({{.costObj = 1, .dept = 1},
                                  {.costObj = 1, .dept = 2},
                                  {.costObj = 3, .dept = 1},
                                  {.costObj = 6, .dept = 1},
                                  {.costObj = 7, .dept = 1},
                                  {.costObj = 8, .dept = 1}},
                                 text());
  }
  void flag(const std::string& value) {
    exec("INSERT INTO t_SystemProfile (FCategory, FKey, FValue) VALUES ('CB', 'CB_CALCOMPLETEQTY_OK', " +
         value + ")");
  }
};

using Values = std::vector<double>;

TEST_F(CompletedQtyTest, WithoutFlagOneTheLiveReceiptsOfTheWindowCount) {
  for (const char* value : {"no row", "''", "NULL", "'0'", "'2'"}) {
    exec("DELETE FROM t_SystemProfile WHERE FKey = 'CB_CALCOMPLETEQTY_OK'");
    if (value[0] != 'n') flag(value);
    EXPECT_EQ(values(), (Values{10, 2, 5, 11.5, 7, 9})) << value;
  }
  // The classification rounds to its standard product's decimals: 11.5 half
  // away from zero.
  exec("UPDATE t_ICItem SET FQtyDecimal = 0 WHERE FItemID = 3");
  EXPECT_EQ(values()[3], 12);
}

TEST_F(CompletedQtyTest, FlagOneReadsTheSavedQuantitiesOfThePeriodOnly) {
  flag("'1'");
  // Cost object 3's saved row is of period 2.
  EXPECT_EQ(values(), (Values{42, 7, 7, 7, 7, 7}));
}

TEST_F(CompletedQtyTest, ALongColumnNameStillFitsTheDynamicStatement) {
  const std::string column(128, 'Q');
  exec("ALTER TABLE #OnlineCostObj ADD " + column + " Decimal(28,10) NOT NULL DEFAULT(0)");
  const int classification = receiver({.costObj = 6, .dept = 1});
  execute(text(column));
  EXPECT_EQ(qty(classification, column), 11.5);
  EXPECT_EQ(qty(classification), 7);
}

TEST_F(CompletedQtyTest, AFlagThatIsNoNumberFailsTheBatch) {
  flag("'yes'");
  const com::ComError e = raisedBy([&] { connection_->execute(text()); });
  EXPECT_EQ(e.number(), ado::err::kCommandFailed);
  EXPECT_EQ(e.description(),
            "Conversion failed when converting the nvarchar value 'yes' to data type smallint.");
}

}  // namespace
}  // namespace mls::testing
