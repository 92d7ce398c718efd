// CalInfo.GetProductInfo and GetProductInfo_ForVchGen with the captions of a
// resource file (their rows, languages and errors are in
// cases/product_cost_reports.calls).
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "cal_info_inquiry_fixture.h"
#include "frame/lang_text.h"

namespace mls::testing {
namespace {

// Departments 1 to 3, products 10 and 11 (99 is in no item master), cost
// items 1 Material and 2 Labour.  Department 1 has the 7006 vouchers 54 and
// 55 (Rec-14, Rec-15) and the 7206 voucher 56 (Rec-16); department 2 the 7206
// voucher 57 (G-12) and a 7006 voucher of February.
class ProductReportTest : public CalInfoInquiryTest {
 protected:
  void SetUp() override {
    CalInfoInquiryTest::SetUp();
    for (int id : {1, 2, 3})
      department(id, 361);
    item(10);
    item(11);
    exec(
        "INSERT INTO cbCostItem (FItemID, FNumber, FName) VALUES (1, '01', 'Material'), (2, '02', 'Labour') "
        "INSERT INTO cbCostVoucher (FYear, FPeriod, FDeptID, FTplType, FVchInterID) VALUES (2024, 3, 1, "
        "7006, 54), (2024, 3, 1, 7006, 55), (2024, 3, 1, 7206, 56), (2024, 3, 2, 7206, 57), (2024, 2, 2, "
        "7006, 58) INSERT INTO t_Voucher (FVoucherID, FGroupID, FNumber) VALUES (54, 3, 14), (55, 3, 15), "
        "(56, 3, 16), (57, 4, 12), (58, 3, 99) INSERT INTO t_VoucherGroup (FGroupID, FName) VALUES (3, "
        "'Rec'), (4, 'G')");
    // (period, department, product, batch, cost item, amount).  Actual:
    // department 2's product 11 sums to 0, department 3 sums to 0, product 99
    // is unknown.  Standard: department 2's product 10 sums to 0, its product
    // 11 has a labour standard only.
    const std::string columns =
        " (FYear, FPeriod, FDeptID, FProductID, FBatchNo, FCostItemID, FAmount) VALUES ";
    exec("INSERT INTO cbProductCalInfo" + columns +
         "(2024, 3, 1, 10, 'B1', 1, 100), (2024, 3, 1, 10, 'B1', 2, 20), (2024, 3, 1, 11, '', 1, 50), "
         "(2024, 3, 2, 10, 'B2', 1, 30), (2024, 3, 2, 11, '', 1, 5), (2024, 3, 2, 11, '', 1, -5), "
         "(2024, 3, 3, 11, '', 1, 10), (2024, 3, 3, 11, '', 1, -10), (2024, 3, 1, 99, '', 1, 1000), "
         "(2024, 4, 1, 10, 'B1', 1, 7)");
    exec("INSERT INTO CBKZProductCalInfo" + columns +
         "(2024, 3, 1, 10, 'B1', 1, 90), (2024, 3, 1, 11, '', 1, 60), (2024, 3, 2, 10, 'B2', 1, 5), "
         "(2024, 3, 2, 10, 'B2', 1, -5), (2024, 3, 2, 11, '', 2, 8), (2024, 2, 1, 10, 'B1', 1, 9)");
  }

  // The named columns of every row, in the order the rows come.
  static Rows inOrder(const com::Variant& answer, const std::vector<std::string>& columns) {
    ado::Recordset& rs = recordset(answer);
    Rows out;
    for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
      std::vector<std::string> row;
      for (const std::string& c : columns)
        row.push_back(rs.value(c).isNull() ? "NULL" : rs.value(c).toString());
      out.push_back(std::move(row));
    }
    return out;
  }

  Rows actual(const std::string& language = "en") {
    return inOrder(callWith(db_.props(language), "GetProductInfo", {2024, 3, ""}),
                   {"FBillNo", "FDeptID", "FDeptName", "FVchInterID", "FVoucherNumber", "FName", "FBatchNo",
                    "FCostItemName", "FAmount", "FSumSort"});
  }
  Rows standard(const std::string& language = "en") {
    return inOrder(callWith(db_.props(language), "GetProductInfo_ForVchGen", {2024, 3}),
                   {"FBillNo", "FDeptID", "FDeptName", "FVchInterID", "FVoucherNumber", "FProductName",
                    "FBatchNo", "FCostItemName", "FStdAmount", "FRealAmount", "FDiffAmount", "FSumSort"});
  }
};

TEST_F(ProductReportTest, ATranslationWithApostrophesReachesTheReport) {
  namespace fs = std::filesystem;
  const fs::path folder = fs::temp_directory_path() / ("mls_reports_" + std::to_string(::getpid()));
  fs::create_directories(folder);
  std::ofstream(folder / "TaviCost.en.txt") << "小计\tSub'total\n合计\tAll 'n' all\n";
  ::setenv("MARLSTONE_RESOURCES", folder.c_str(), 1);
  frame::unloadLanguageLoader();
  Rows a = actual();
  Rows s = standard();
  ::unsetenv("MARLSTONE_RESOURCES");
  frame::unloadLanguageLoader();
  fs::remove_all(folder);
  EXPECT_EQ(a[3][2], "Sub'total");
  EXPECT_EQ(a.back()[2], "All 'n' all");
  EXPECT_EQ(s[3][2], "Dept 1(Sub'total)");
  EXPECT_EQ(s.back()[2], "All 'n' all");
}

}  // namespace
}  // namespace mls::testing
