// A whole period close, in the order a client drives it, through the public
// classes only (created by ProgID, called by name):
//   snapshot            ConcludeUpdate.GetICStockBillDataForCB
//   reset               ConcludeUpdate.DeleteCalInfo
//   quantities          ConcludeUpdate.CalCompleteQty, CalProductQty,
//                       UpdateCalCompleteQtyStatus
//   shared issues       AutoDis.AutoDisMaterielExp for each production
//                       department, of normal use and of repairable waste:
//                       its ungrouped lines and each cost-object group its
//                       lines name, by the plant's entered standard
//   direct rows         AutoDis.AutoDisDirctMaterielExpByInterID of the issue
//                       lines that name their own cost object, of normal use
//                       and of repairable waste
//   work in process     ConcludeUpdate.DispOnlineMateriel of the materials not
//                       made in the period
//   calculation inputs  CalInfo.GetCaculateInfo for every cost object with a
//                       completed quantity
//   client calculation  the client's own calculation (the demo plant's simple
//                       rule, schema/demoplant/client_calculation.h) written
//                       through ConcludeUpdate.UpdateBatch
//   product cost rows   ConcludeUpdate.AdjustAmountDiff and UpdateProduct for
//                       each level, then UpdateCalType
//   classification split ConcludeUpdate.UpdateClassifyCostObjStandardSet, then
//                       DistributeTaxCost of every classification cost
//                       object's amount by its sort standard
//                       (CalInfo.GetSortStandardID)
//   work in process of products
//                       ConcludeUpdate.DispOnlineMateriel of the products
//                       received at each level
//   write-back          ConcludeUpdate.SetCostToDBByLevel for each level
//   report              CalInfo.GetProductInfo of the closed period, in each
//                       language asked for
// Each step reports what it did, the rows it left and its time, wall-clock
// and processor (the calls alone; the row counts are not timed).
//
// One period is closed by one client at a time.  The close takes no guard
// (on SQL Server neither): two closes of one period at once interfere - two
// connections of one process fail at the snapshot with a duplicate key, two
// processes on one file both report success with the client calculation's
// rows twice over.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/com/dispatch.h"
#include "platform/com/variant.h"
#include "schema/demoplant/plant.h"

namespace mls::ado {
class Recordset;
}

namespace mls::close {

struct Step {
  std::string name;
  std::string did;
  int64_t rows = 0;
  double seconds = 0;     // wall-clock time of the step's calls
  double cpuSeconds = 0;  // this thread's processor time in them
};

struct CloseOptions {
  std::string connect;  // an ADO connection string
  int year = 2024;
  int period = 3;
  std::vector<std::string> reportLanguages{"en"};
};

// Creates the system and ERP schemas and a generated plant in the database
// `connect` names (which should be empty); answers the plant's facts.
demoplant::PlantFacts buildPlant(const std::string& connect, const demoplant::PlantOptions& options);

class PeriodClose {
 public:
  // `before` hears a step's name before it runs, `after` its report.
  struct Observer {
    std::function<void(const std::string& step)> before;
    std::function<void(const Step&)> after;
  };

  explicit PeriodClose(CloseOptions options);

  // The steps' names, in order.
  static const std::vector<std::string>& stepNames();

  // Runs every step; raises the library's error of a step that fails.
  std::vector<Step> run(const Observer& observer = {});

  // The report step's answers, one recordset per report language.
  const std::vector<com::Variant>& reports() const { return reports_; }

  std::string props(const std::string& language = "en") const;
  // The first value of a query on the close's database.
  com::Variant scalar(const std::string& sql) const;

 private:
  // Calls `row` on each row of a query on the close's database.
  void eachRow(const std::string& sql, const std::function<void(ado::Recordset&)>& row) const;
  int64_t count(const std::string& sql) const { return scalar(sql).toLong(); }
  com::Variant call(com::Dispatch& object, const std::string& member, std::vector<com::Variant> args) const;
  // The distinct values of a whole-number column of the period's rows of a table.
  std::vector<int32_t> distinctOfPeriod(const std::string& column, const std::string& table) const;

  struct StepDef;
  // Every step, in order: the one list of the close's steps.
  static const std::vector<StepDef>& steps();

  std::string snapshot();
  std::string reset();
  std::string quantities();
  std::string sharedIssues();
  std::string directRows();
  std::string workInProcess();
  std::string workInProcessOfProducts();
  std::string calculationInputs();
  std::string clientCalculation();
  std::string productCostRows();
  std::string classificationSplit();
  std::string writeBack();
  std::string report();

  CloseOptions o_;
  com::Ref<com::Dispatch> update_, autoDis_, calInfo_;
  std::vector<com::Variant> reports_;
  int64_t rows_ = 0;  // the rows a step counts itself
};

}  // namespace mls::close
