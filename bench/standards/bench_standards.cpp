// The standard data of one issue line, through ConcludeInfo created by ProgID
// on an embedded database (built once; building it is not timed): a
// department of 2,000 cost objects in production, weighed by a complex
// standard of input times the BOM usage of the issued material, over a BOM
// structure of five levels and 10,000 lines.
//
// Levels: 200 assemblies of class 6 each take the material and 9 others; 200
// of class 5 each take two of those and 8 materials; again 200 of class 6 and
// 200 of class 5 above them; and each of the 2,000 products takes one
// assembly of the fourth level.  Half the cost objects name their BOM, the
// others find it by their product.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "classes/library.h"
#include "frame/sql_literal.h"
#include "platform/ado/connection.h"
#include "platform/ado/recordset.h"
#include "platform/com/dispatch.h"
#include "platform/com/registry.h"
#include "schema/demoplant/row_writer.h"
#include "schema/schema_files.h"

namespace mls {
namespace {

using frame::sqlNumber;

constexpr int kCostObjects = 2000;
constexpr int kAssembliesPerLevel = 200;
constexpr int kMaterial = 500;
const char* const kConnect = "Provider=Marlstone.Embedded;Data Source=BenchStandards";

int assembly(int level, int i) {
  return 30000 + level * 1000 + i;
}

std::vector<std::string> plantStatements() {
  std::vector<std::string> out;
  demoplant::RowWriter items(out, "t_ICItem", "FItemID, FErpClsID");
  demoplant::RowWriter heads(out, "ICBom", "FInterID, FItemID, FQty, FUseStatus, FBomType, FStatus");
  demoplant::RowWriter lines(out, "ICBomChild", "FInterID, FEntryID, FItemID, FQty, FMaterielType");
  for (int m = 0; m < 100; ++m)
    items.row({sqlNumber(kMaterial + m), "1"});
  // Assembly levels 1 to 4: class 6, 5, 6, 5.
  for (int level = 1; level <= 4; ++level) {
    for (int i = 0; i < kAssembliesPerLevel; ++i) {
      const int id = assembly(level, i);
      items.row({sqlNumber(id), level % 2 == 1 ? "6" : "5"});
      heads.row({sqlNumber(id), sqlNumber(id), "2", "1072", "0", "1"});
      int entry = 0;
      if (level == 1) {
        lines.row({sqlNumber(id), sqlNumber(++entry), sqlNumber(kMaterial), "3", "371"});
      } else {
        for (int k = 0; k < 2; ++k)
          lines.row({sqlNumber(id), sqlNumber(++entry),
                     sqlNumber(assembly(level - 1, (i + k * 7) % kAssembliesPerLevel)), "1", "371"});
      }
      while (entry < 10)
        lines.row(
            {sqlNumber(id), sqlNumber(++entry), sqlNumber(kMaterial + 1 + (i + entry) % 99), "1", "371"});
    }
  }
  demoplant::RowWriter objects(out, "cbCostObj", "FItemID, FStdProductID, FBomID");
  demoplant::RowWriter input(out, "CBInQty", "FYear, FPeriod, FDeptID, FCostObjID, FQty");
  for (int i = 0; i < kCostObjects; ++i) {
    const int product = 20000 + i, bom = 60000 + i, costObj = 50000 + i;
    items.row({sqlNumber(product), "2"});
    heads.row({sqlNumber(bom), sqlNumber(product), "1", "1072", "0", "1"});
    lines.row({sqlNumber(bom), "1", sqlNumber(assembly(4, i % kAssembliesPerLevel)), "1", "371"});
    objects.row({sqlNumber(costObj), sqlNumber(product), i % 2 == 0 ? sqlNumber(bom) : "NULL"});
    input.row({"2024", "3", "1", sqlNumber(costObj), sqlNumber(1 + i % 7)});
  }
  return out;
}

struct BenchDepartment {
  BenchDepartment() {
    classes::registerInProcess();
    com::Ref<ado::Connection> c = com::makeObject<ado::Connection>();
    c->open(kConnect);
    for (const std::string& batch : schema::erpSchemaBatches())
      c->execute(batch);
    c->execute("INSERT INTO t_SystemProfile (FCategory, FKey, FValue) VALUES ('GL', 'PeriodCount', '12')");
    c->execute(
        "INSERT INTO t_Department (FItemID, FNumber, FName) VALUES (1, 'D01', 'Assembly')"
        " CREATE TABLE cb_ICStockBill (FInterID INT, FBillNo NVARCHAR(255), FDeptID INT)"
        " CREATE TABLE cb_ICStockBillEntry (FInterID INT, FEntryID INT, FItemID INT, FBatchNo VARCHAR(200))"
        " INSERT INTO cb_ICStockBill VALUES (900, 'SOUT-900', 1)"
        " INSERT INTO cb_ICStockBillEntry VALUES (900, 1, 500, '')"
        " INSERT INTO cbStandardUnit (FItemID, FName, FStandardID) VALUES (2, N'投入', 0), (6, N'BOM', 0)"
        " INSERT INTO cb_BmStandard (FNum, FID, FName, FComPlex, FFormula)"
        " VALUES (10, 'MIX', N'Mix', 1, N'Mix=~#投入~@*~#BOM~@')");
    for (const std::string& s : plantStatements())
      c->execute(s);
    c->close();
    info = com::createObject("Marlstone.ConcludeInfo");
    props = std::string("ConnectString={") + kConnect + "};Language=en";
  }
  com::Ref<com::Dispatch> info;
  std::string props;
};

BenchDepartment& department() {
  static BenchDepartment d;
  return d;
}

void BM_BillLineStandardData2000(benchmark::State& state) {
  BenchDepartment& d = department();
  int64_t rows = 0;
  for (auto _ : state) {
    com::Variant answer =
        com::callByName(*d.info, "GetStandarddata", d.props, 2024, 3, 1, 0, 10, 900, 1, true);
    rows = dynamic_cast<ado::Recordset*>(answer.toObject().get())->recordCount();
  }
  state.SetItemsProcessed(state.iterations() * kCostObjects);
  state.counters["receivers"] = static_cast<double>(rows);
}
BENCHMARK(BM_BillLineStandardData2000)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
}  // namespace mls

BENCHMARK_MAIN();
