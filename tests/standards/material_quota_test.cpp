// The material-quota text: feed-list quantities of live production orders
// per unit of order quantity, times the input quantity, for one material and
// for every row's own material.
#include "frame/sql_literal.h"
#include "standards/standard_qty_sql.h"
#include "standards/system_standard_sql.h"
#include "standards_fixture.h"

namespace mls::testing {
namespace {

using frame::sqlNumber;
using frame::sqlText;

struct Order {
  int id = 0;
  int costObj = 0;
  int status = 1;
  double qty = 100;
  std::string closeDate = "NULL";
  std::string commit = "'2024-02-10'";
  std::string plan = "'2024-03-20'";
};

// Material 10 on the feed lists of cost objects 1 to 12 (order and feed list
// numbered after the cost object), each with input 1 in department 1 (5 for
// cost object 1, none for 12):
//   1  live, line of 200 for 100 ordered           -> unit 2
//   2  live, a line of material 11 only (8)        -> no line of 10
//   3  closed on the period's first day, 30 returned (376) for 10 -> unit -3
//   4  closed before the period     5 committed on the next period's first day
//   6  planned for that day         7 status 0     8 feed list not audited
//   9  lines of types 372 and 373   10 the feed list's own product
//   11 live, ordered quantity 0     12 live, no input
//   13 live, 100 ordered, two feed lists each needing 50 -> unit 1 (the order
//      counts once in the divisor)
class MaterialQuotaTest : public StandardsTest {
 protected:
  void SetUp() override {
    StandardsTest::SetUp();
    for (int obj = 1; obj <= 12; ++obj) {
      Order o{.id = obj, .costObj = obj};
      if (obj == 3) o = {.id = 3, .costObj = 3, .status = 3, .qty = 10, .closeDate = "'2024-03-01'"};
      if (obj == 4) o.status = 3, o.closeDate = "'2024-02-29'";
      if (obj == 5) o.commit = "'2024-04-01'";
      if (obj == 6) o.plan = "'2024-04-01'";
      if (obj == 7) o.status = 0;
      if (obj == 11) o.qty = 0;
      order(o);
      feedList(obj, obj, obj == 8 ? 0 : 1, obj == 10 ? 10 : 50);
      if (obj != 12) periodRow("CBInQty", 1, obj, obj == 1 ? 2 : 1);
    }
    periodRow("CBInQty", 1, 1, 3);
    periodRow("CBInQty", 1, 1, 100, 2);
    feedLine(1, 10, 371, 200);
    feedLine(2, 11, 371, 8);
    feedLine(3, 10, 376, 30);
    for (int list : {4, 5, 6, 7, 8, 10, 11, 12})
      feedLine(list, 10, 371, 200);
    feedLine(9, 10, 372, 200);
    feedLine(9, 10, 373, 200);
    order({.id = 13, .costObj = 13});
    for (int list : {13, 113}) {
      feedList(list, 13, 1, 50);
      feedLine(list, 10, 371, 50);
    }
    periodRow("CBInQty", 1, 13, 1);
  }

  void order(const Order& o) {
    exec(
        "INSERT INTO ICMO (FInterID, FCostObjID, FStatus, FQty, FCloseDate, FCommitDate, FPlanCommitDate) "
        "VALUES (" +
        sqlNumber(o.id) + ", " + sqlNumber(o.costObj) + ", " + sqlNumber(o.status) + ", " +
        sqlNumber(frame::decimalOf(o.qty)) + ", " + o.closeDate + ", " + o.commit + ", " + o.plan + ")");
  }
  void feedList(int id, int order, int status, int product) {
    exec("INSERT INTO PPBOM (FInterID, FICMOInterID, FStatus, FItemID) VALUES (" + sqlNumber(id) + ", " +
         sqlNumber(order) + ", " + sqlNumber(status) + ", " + sqlNumber(product) + ")");
  }
  void feedLine(int list, int material, int type, double qty) {
    exec("INSERT INTO PPBOMEntry (FInterID, FEntryID, FItemID, FMaterielType, FQtyMust) VALUES (" +
         sqlNumber(list) + ", " + sqlNumber(++lines_) + ", " + sqlNumber(material) + ", " + sqlNumber(type) +
         ", " + sqlNumber(frame::decimalOf(qty)) + ")");
  }
  std::string quota(int itemID, const std::string& code = "CLDETLD") {
    return standards::buildStandardQtySql(0, 77, kYear, kPeriod, begin(), next(), "FQty", false, {}, code,
                                          itemID);
  }

  int lines_ = 0;
};

// One material (10) sets the rows with orders and input and keeps the rest;
// every row's own material (10 on every row here) sets every row.
TEST_F(MaterialQuotaTest, OneMaterialOrEveryRowsOwn) {
  // Cost objects 1 to 13 in department 1, then cost object 1 in department 2.
  // 2: its feed list has no line of 10; 3: closed on the first day, returned
  // material negated; 4 to 8: no live order with an audited feed list; 11:
  // ordered quantity 0, no division by zero; 12: no input.
  const struct {
    int itemID;
    std::vector<double> values;
  } cases[] = {
      {10, {10, 0, -3, 7, 7, 7, 7, 7, 0, 0, 0, 7, 1, 7}},
      {-1, {10, 0, -3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0}},
  };
  for (const auto& c : cases) {
    const int item = c.itemID < 0 ? 10 : 0;
    std::vector<Receiver> receivers;
    for (int obj = 1; obj <= 13; ++obj)
      receivers.push_back({.costObj = obj, .dept = 1, .item = item});
    receivers.push_back({.costObj = 1, .dept = 2, .item = item});
    EXPECT_EQ(values(receivers, quota(c.itemID)), c.values) << "material " << c.itemID;
  }
  // Material 11 is on cost object 2's feed list only: 8 per 100 ordered.
  EXPECT_EQ(values({{.costObj = 2, .dept = 1, .item = 11}, {.costObj = 1, .dept = 1, .item = 11}}, quota(-1)),
            (std::vector<double>{0.08, 0}));
}

TEST_F(MaterialQuotaTest, TheCodeIsMatchedInAnyCaseAndBeforeTheSpecialNumbers) {
  const int a = receiver({.costObj = 1, .dept = 1});
  exec("INSERT INTO cbCompleteQty (FYear, FPeriod, FDeptID, FCostObjID, FQty) VALUES (2024, 3, 1, 1, 42)");
  for (int number : {2, 3, 77}) {
    SCOPED_TRACE(number);
    exec("UPDATE #OnlineCostObj SET FQty = 7");
    execute(standards::buildStandardQtySql(0, number, kYear, kPeriod, begin(), next(), "FQty", false, {},
                                           "clDetLd", 10));
    EXPECT_EQ(qty(a), 10);
  }
  EXPECT_NE(quota(10, "CLDETLDX"), quota(10));
}

TEST_F(MaterialQuotaTest, SystemKind70012IsTheQuotaOfTheGivenMaterial) {
  const int a = receiver({.costObj = 1, .dept = 1, .item = 11});
  execute(standards::buildSystemStandardQtySql(70012, kYear, kPeriod, begin(), next(), "FQty", false, 10));
  EXPECT_EQ(qty(a), 10);
  execute(standards::buildSystemStandardQtySql(70012, kYear, kPeriod, begin(), next(), "FQty", false, -1));
  EXPECT_EQ(qty(a), 0);
}

}  // namespace
}  // namespace mls::testing
