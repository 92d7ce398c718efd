// The issue-line lists of ConcludeInfo and WConcludeInfo: one department's
// lines of the period snapshot, and the distributed lines of a level's
// products from the live bills.  The waste class tests and joins its own
// distribution table.
#include "lines_fixture.h"
#include "platform/halvern/dictionary.h"

namespace mls::testing {
namespace {

using Rows = std::vector<std::string>;

// Department 1's issues of (2024, 3): bill 900 (posted to voucher 记-12) with
// a shared line, a line shared through the marker, a direct line, an excluded
// line and a direct plan-price line; bill 901 of waste use with a shared line.
// Department 2's bill 902, a bill of the next period and an unchecked one
// are never listed for department 1.
class IssueListsTest : public LinesTest, public ::testing::WithParamInterface<const char*> {
 protected:
  void SetUp() override {
    setUpFor(GetParam());
    issue({.id = 900}, {{.entry = 1, .qty = 10, .amount = 100},
                        {.entry = 2, .item = 501, .qty = 5, .amount = 50, .costObj = 90},
                        {.entry = 3, .qty = 2, .amount = 20, .costObj = 101},
                        {.entry = 4, .item = 502, .qty = 1, .amount = 9, .costObj = 91},
                        {.entry = 5, .item = 502, .qty = 3, .amount = 30, .costObj = 102, .planPrice = 7}});
    issue({.id = 901, .purpose = 12001}, {{.item = 501, .qty = 1, .amount = 1}});
    issue({.id = 902, .dept = 2}, {{.qty = 1, .amount = 1}});
    issue({.id = 903, .date = "2024-04-01"}, {{.qty = 1, .amount = 1}});
    issue({.id = 904, .status = 0}, {{.qty = 1, .amount = 1}});
    exec(
        "UPDATE ICStockBill SET FVchInterID = 70 WHERE FInterID = 900"
        " INSERT INTO t_Voucher (FVoucherID, FGroupID, FNumber) VALUES (70, 1, 12)"
        " INSERT INTO t_VoucherGroup (FGroupID, FName) VALUES (1, N'记')");
    snapshot();
  }
  bool waste() const { return std::string(GetParam()) == "Marlstone.WConcludeInfo"; }
  std::string ownTable() const { return waste() ? "cbWMaterielInfo" : "cbMaterielInfo"; }
  std::string otherTable() const { return waste() ? "cbMaterielInfo" : "cbWMaterielInfo"; }

  com::Variant filter(const com::Variant& dept, const com::Variant& onlyShare = com::Variant()) const {
    com::Ref<halvern::Dictionary> d = com::makeObject<halvern::Dictionary>();
    d->setItem("Year", 2024);
    d->setItem("Period", 3);
    d->setItem("DeptID", dept);
    if (!onlyShare.isEmpty()) d->setItem("OnlyShare", onlyShare);
    return com::Variant(com::Ref<com::Dispatch>(d));
  }
  Rows list(const com::Variant& f, bool noDisData) {
    return rows(
        call("GetMaterielExpInfo", {f, noDisData}),
        {"FBillNo", "FEntryID", "FCostObjID", "FCostObjNumber", "FVoucherNumber", "FPrice", "FAmount"});
  }
};

TEST_P(IssueListsTest, DepartmentLinesOfThePeriod) {
  distributed(ownTable(), 900, 1, 101);
  distributed(otherTable(), 900, 2, 101);
  exec("INSERT INTO " + ownTable() + " (FYear, FPeriod, FInterID, FEntryID) VALUES (2024, 2, 900, 3)");
  const Rows all{"B900 1 0 NULL 记-12 10 100", "B900 2 0 MaterielShareID 记-12 10 50",
                 "B900 3 101 C101 记-12 10 20", "B900 5 102 C102 记-12 10 30", "B901 1 0 NULL NULL 1 1"};
  const struct {
    const char* what;
    com::Variant filter;
    bool noDisData;
    Rows rows;
  } cases[] = {
      {"every line of every purpose", filter(1), false, all},
      {"OnlyShare 0 lists all", filter(1, 0), false, all},
      {"shared lines only",
       filter(1, 1),
       false,
       {"B900 1 0 NULL 记-12 10 100", "B900 2 0 MaterielShareID 记-12 10 50", "B901 1 0 NULL NULL 1 1"}},
      {"lines without rows of the period in the class's own table",
       filter(1),
       true,
       {"B900 2 0 MaterielShareID 记-12 10 50", "B900 3 101 C101 记-12 10 20", "B900 5 102 C102 记-12 10 30",
        "B901 1 0 NULL NULL 1 1"}},
      {"another department", filter(2, 1), false, {"B902 1 0 NULL NULL 1 1"}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(list(c.filter, c.noDisData), c.rows) << c.what;

  db_.setProfile("CB", "MatCalStyle", "1");
  EXPECT_EQ(list(filter(2), false), Rows{"B902 1 0 NULL NULL 1 1"});
  EXPECT_EQ(list(filter(1), false)[3], "B900 5 102 C102 记-12 7 21") << "plan price of an FTrack 81 item";
}

TEST_P(IssueListsTest, DepartmentNumberAndFilterValues) {
  com::Variant answer = call("GetMaterielExpInfo", {filter(2), false});
  auto& rs = dynamic_cast<ado::Recordset&>(*answer.toObject().get());
  EXPECT_EQ(rs.value("FDeptID").toString() + " " + rs.fieldInfo(17).name + " " + rs.value(17).toString(),
            "2 FDeptID D2");
  com::ExcepInfo e = failure("GetMaterielExpInfo", {filter(com::Variant("1 OR 1=1")), false});
  EXPECT_EQ(e.number, 13);
  EXPECT_EQ(e.description, "Filter(\"DeptID\") is not a number: \"1 OR 1=1\"");
}

// Product 500 has two cost rows at level 1, 501 one at level 2.
TEST_P(IssueListsTest, DistributedLinesOfALevelsProducts) {
  exec(
      "INSERT INTO cbProductCalInfo (FYear, FPeriod, FLevel, FProductID) VALUES (2024, 3, 1, 500), (2024, 3, "
      "1, 500), (2024, 3, 2, 501), (2024, 2, 1, 500)");
  for (int costObj : {101, 102, 103})
    distributed(ownTable(), 900, 1, costObj);
  distributed(ownTable(), 900, 3, 101);
  distributed(ownTable(), 900, 2, 101);
  distributed(otherTable(), 900, 3, 102);
  exec("UPDATE ICStockBillEntry SET FAmount = 120 WHERE FInterID = 900 AND FEntryID = 1");
  const Rows shared(6, "2 10 120 900 1");
  Rows all = shared;
  all.insert(all.end(), {"2 10 20 900 3", "2 10 20 900 3"});
  EXPECT_EQ(rows(call("GetMaterielExpInfoByLevel", {2024, 3, 1}),
                 {"FQtyDecimal", "FPrice", "FAmount", "FInterID", "FEntryID"}),
            all)
      << "each line once per distribution row and cost row, at its live amount";
  EXPECT_EQ(rows(call("GetMaterielExpInfoByLevel", {2024, 3, 1, true}),
                 {"FQtyDecimal", "FPrice", "FAmount", "FInterID", "FEntryID"}),
            shared);
  EXPECT_EQ(rows(call("GetMaterielExpInfoByLevel", {2024, 3, 2, true}), {"FInterID", "FEntryID"}),
            Rows{"900 2"});
}

INSTANTIATE_TEST_SUITE_P(BothClasses, IssueListsTest,
                         ::testing::Values("Marlstone.ConcludeInfo", "Marlstone.WConcludeInfo"));

}  // namespace
}  // namespace mls::testing
