#include "close/period_close.h"

#include <time.h>

#include <map>
#include <set>
#include <utility>

#include "frame/domain_codes.h"
#include "frame/sql_literal.h"
#include "platform/ado/connection.h"
#include "platform/ado/recordset.h"
#include "platform/com/registry.h"
#include "platform/halvern/dictionary.h"
#include "schema/demoplant/client_calculation.h"
#include "schema/schema_files.h"

namespace mls::close {
namespace {

using frame::sqlNumber;
using Clock = std::chrono::steady_clock;
namespace codes = frame::codes;

com::Ref<ado::Connection> open(const std::string& connect) {
  com::Ref<ado::Connection> c = com::makeObject<ado::Connection>();
  c->setCursorLocation(ado::kUseClient);
  c->open(connect);
  return c;
}

std::string counted(int64_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

// The calling thread's processor time, in seconds.
double threadSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// " WHERE FYear = <year> AND FPeriod = <period>".
std::string inPeriod(int year, int period) {
  return " WHERE FYear = " + sqlNumber(year) + " AND FPeriod = " + sqlNumber(period);
}

// The period's distribution rows of normal use and of repairable waste.
std::string distributedRows(int year, int period) {
  return "SELECT (SELECT COUNT(*) FROM cbMaterielInfo" + inPeriod(year, period) +
         ") + (SELECT COUNT(*) FROM cbWMaterielInfo" + inPeriod(year, period) + ")";
}

std::string wipRows(int year, int period) {
  return "SELECT COUNT(*) FROM CBOnlineMaterielDispInfo" + inPeriod(year, period);
}

// The distribution type of an issue's purpose: 0 normal use, 1 repairable waste.
int32_t typeOfPurpose(const com::Variant& purpose) {
  return purpose.toString() == codes::kNormalUse ? 0 : 1;
}

}  // namespace

// One step of the close: its name, what it runs and the query that counts
// the rows it leaves in (year, period) (none: the step counts its own).
struct PeriodClose::StepDef {
  const char* name;
  std::string (PeriodClose::*run)();
  std::string (*rows)(int year, int period);
};

const std::vector<PeriodClose::StepDef>& PeriodClose::steps() {
  static const std::vector<StepDef> table{
      {"snapshot", &PeriodClose::snapshot,
       [](int, int) -> std::string { return "SELECT COUNT(*) FROM cb_ICStockBillEntry"; }},
      {"reset", &PeriodClose::reset,
       [](int y, int p) { return "SELECT COUNT(*) FROM cbMaterielInfo" + inPeriod(y, p); }},
      {"quantities", &PeriodClose::quantities,
       [](int y, int p) {
         return "SELECT (SELECT COUNT(*) FROM cbCompleteQty" + inPeriod(y, p) +
                ") + (SELECT COUNT(*) FROM cbProductQty" + inPeriod(y, p) + ")";
       }},
      {"shared issues", &PeriodClose::sharedIssues, distributedRows},
      {"direct rows", &PeriodClose::directRows, distributedRows},
      {"work in process", &PeriodClose::workInProcess, wipRows},
      {"calculation inputs", &PeriodClose::calculationInputs, nullptr},
      {"client calculation", &PeriodClose::clientCalculation,
       [](int y, int p) {
         return "SELECT (SELECT COUNT(*) FROM CBCalInfo_CurData" + inPeriod(y, p) +
                ") + (SELECT COUNT(*) FROM CBCalInfoDetail_CurData" + inPeriod(y, p) + ")";
       }},
      {"product cost rows", &PeriodClose::productCostRows,
       [](int y, int p) { return "SELECT COUNT(*) FROM cbProductCalInfo" + inPeriod(y, p); }},
      {"classification split", &PeriodClose::classificationSplit,
       [](int y, int p) {
         return std::string(
                    "SELECT COUNT(*) FROM cbProductCalInfo p INNER JOIN cbCostObj c ON c.FItemID = "
                    "p.FCostObjID AND c.FCalculateType = ") +
                codes::kClassification + " WHERE p.FYear = " + sqlNumber(y) +
                " AND p.FPeriod = " + sqlNumber(p);
       }},
      {"work in process of products", &PeriodClose::workInProcessOfProducts, wipRows},
      {"write-back", &PeriodClose::writeBack,
       [](int y, int p) {
         return "SELECT COUNT(*) FROM (SELECT DISTINCT FDeptID, FProductID, FBatchNo FROM cbProductCalInfo" +
                inPeriod(y, p) + ") g";
       }},
      {"report", &PeriodClose::report, nullptr},
  };
  return table;
}

demoplant::PlantFacts buildPlant(const std::string& connect, const demoplant::PlantOptions& options) {
  demoplant::Plant plant = demoplant::generatePlant(options);
  com::Ref<ado::Connection> c = open(connect);
  for (const std::string& batch : schema::erpSchemaBatches())
    c->execute(batch);
  c->execute("INSERT INTO t_SystemProfile (FCategory, FKey, FValue) VALUES ('GL', 'PeriodCount', '12')");
  c->execute(
      "INSERT INTO t_SystemProfile (FCategory, FKey, FValue) VALUES ('CB', 'CB_CALCOMPLETEQTY_OK', '0')");
  // The plant's statements in transactions of a few megabytes of text each:
  // on a database file a commit is one flush, and an autocommit statement
  // would be one flush each.
  constexpr size_t kTextPerCommit = size_t{4} << 20;
  bool inTransaction = false;
  size_t text = 0;
  for (const std::string& s : plant.statements) {
    if (!inTransaction) {
      c->execute("BEGIN TRANSACTION");
      inTransaction = true;
      text = 0;
    }
    c->execute(s);
    text += s.size();
    if (text >= kTextPerCommit) {
      c->execute("COMMIT");
      inTransaction = false;
    }
  }
  if (inTransaction) c->execute("COMMIT");
  c->close();
  return plant.facts;
}

PeriodClose::PeriodClose(CloseOptions options)
    : o_(std::move(options)),
      update_(com::createObject("Marlstone.ConcludeUpdate")),
      autoDis_(com::createObject("Marlstone.AutoDis")),
      calInfo_(com::createObject("Marlstone.CalInfo")) {}

const std::vector<std::string>& PeriodClose::stepNames() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> out;
    for (const StepDef& s : steps())
      out.emplace_back(s.name);
    return out;
  }();
  return names;
}

std::string PeriodClose::props(const std::string& language) const {
  return "ConnectString={" + o_.connect + "};Language=" + language + ";UserName=close;UserID=1";
}

com::Variant PeriodClose::scalar(const std::string& sql) const {
  com::Ref<ado::Connection> c = open(o_.connect);
  com::Ref<ado::Recordset> rs = c->execute(sql);
  com::Variant v = rs->eof() ? com::Variant::null() : rs->value(0);
  c->close();
  return v;
}

void PeriodClose::eachRow(const std::string& sql, const std::function<void(ado::Recordset&)>& row) const {
  com::Ref<ado::Connection> c = open(o_.connect);
  for (com::Ref<ado::Recordset> rs = c->execute(sql); !rs->eof(); rs->moveNext())
    row(*rs);
  c->close();
}

com::Variant PeriodClose::call(com::Dispatch& object, const std::string& member,
                               std::vector<com::Variant> args) const {
  args.insert(args.begin(), com::Variant(props()));
  return com::invokeByName(object, member, com::kMethodOrGet, args);
}

std::vector<int32_t> PeriodClose::distinctOfPeriod(const std::string& column,
                                                   const std::string& table) const {
  std::vector<int32_t> out;
  eachRow("SELECT DISTINCT " + column + " FROM " + table + " WHERE FYear = " + sqlNumber(o_.year) +
              " AND FPeriod = " + sqlNumber(o_.period) + " ORDER BY " + column,
          [&](ado::Recordset& rs) { out.push_back(rs.value(0).toLong()); });
  return out;
}

std::vector<Step> PeriodClose::run(const Observer& observer) {
  std::vector<Step> steps;
  for (const StepDef& def : PeriodClose::steps()) {
    if (observer.before) observer.before(def.name);
    Step step;
    step.name = def.name;
    rows_ = 0;
    const Clock::time_point start = Clock::now();
    const double cpuStart = threadSeconds();
    step.did = (this->*def.run)();
    step.cpuSeconds = threadSeconds() - cpuStart;
    step.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    step.rows = def.rows ? count(def.rows(o_.year, o_.period)) : rows_;
    if (observer.after) observer.after(step);
    steps.push_back(std::move(step));
  }
  return steps;
}

std::string PeriodClose::snapshot() {
  call(*update_, "GetICStockBillDataForCB", {o_.year, o_.period});
  return "the period's live stock bills copied, the work tables made empty";
}

std::string PeriodClose::reset() {
  call(*update_, "DeleteCalInfo", {o_.year, o_.period});
  return "orphaned distribution rows and the period's results cleared";
}

std::string PeriodClose::quantities() {
  call(*update_, "CalCompleteQty", {o_.year, o_.period});
  call(*update_, "CalProductQty", {o_.year, o_.period});
  call(*update_, "UpdateCalCompleteQtyStatus", {});
  return "completed and product quantities";
}

std::string PeriodClose::sharedIssues() {
  // Each production department's shared issue lines of normal use (type 0)
  // and of repairable waste (type 1): its ungrouped lines (group 0, which
  // also takes the lines naming no existing group), then each cost-object
  // group its lines of the purpose name.
  std::map<int32_t, std::map<int32_t, std::set<int32_t>>> groups;  // department -> type -> groups
  eachRow(
      std::string("SELECT d.FItemID, g.FPurposeID, g.FCostObjGroupID FROM t_Department d LEFT JOIN (SELECT "
                  "DISTINCT h.FDeptID, h.FPurposeID, e.FCostObjGroupID FROM cb_ICStockBill h INNER JOIN "
                  "cb_ICStockBillEntry e ON e.FInterID = h.FInterID WHERE h.FTranType = ") +
          codes::kMaterialIssue + " AND h.FPurposeID IN (" + codes::kNormalUse + ", " + codes::kWasteUse +
          ") AND e.FCostObjGroupID >= 1) g ON g.FDeptID = d.FItemID WHERE d.FCostAccountType = " +
          codes::kProductionDept + " ORDER BY d.FItemID",
      [&](ado::Recordset& rs) {
        std::map<int32_t, std::set<int32_t>>& ofDept = groups[rs.value(0).toLong()];
        for (int32_t type : {0, 1})
          ofDept[type].insert(0);
        if (!rs.value(1).isNull()) ofDept[typeOfPurpose(rs.value(1))].insert(rs.value(2).toLong());
      });
  auto filter = [&] {
    com::Ref<com::Dispatch> d = halvern::createDictionary();
    auto* dict = dynamic_cast<halvern::Dictionary*>(d.get());
    dict->setItem("Year", com::Variant(o_.year));
    dict->setItem("Period", com::Variant(o_.period));
    dict->setItem("bNoDis", com::Variant(false));
    return com::Variant(d);
  };
  int calls = 0;
  for (const auto& [dept, byType] : groups) {
    for (const auto& [type, typeGroups] : byType) {
      for (int32_t group : typeGroups) {
        call(*autoDis_, "AutoDisMaterielExp",
             {demoplant::kEnteredStandard, dept, type, filter(), 0, "", "", false, false, group});
        ++calls;
      }
    }
  }
  return counted(static_cast<int64_t>(groups.size()), "department", "departments") + ", " +
         counted(calls, "distribution", "distributions") + " by the entered standard " +
         std::to_string(demoplant::kEnteredStandard);
}

std::string PeriodClose::directRows() {
  // The production departments' issue lines of normal use (type 0) and of
  // repairable waste (type 1) that name their own cost object.
  std::map<int32_t, std::vector<std::pair<int32_t, int32_t>>> lines;  // type -> its lines
  eachRow(
      std::string("SELECT h.FPurposeID, e.FInterID, e.FEntryID FROM cb_ICStockBill h INNER JOIN "
                  "cb_ICStockBillEntry e ON e.FInterID = h.FInterID INNER JOIN t_Department d ON d.FItemID = "
                  "h.FDeptID AND d.FCostAccountType = ") +
          codes::kProductionDept +
          " INNER JOIN cbCostObj o ON o.FItemID = e.FCostObjID AND o.FNumber NOT IN ('MaterielShareID', "
          "'MaterielMakeID') WHERE h.FTranType = " +
          codes::kMaterialIssue + " AND h.FStatus > 0 AND h.FCancellation = 0 AND h.FPurposeID IN (" +
          codes::kNormalUse + ", " + codes::kWasteUse + ") ORDER BY h.FPurposeID, e.FInterID, e.FEntryID",
      [&](ado::Recordset& rs) {
        lines[typeOfPurpose(rs.value(0))].emplace_back(rs.value(1).toLong(), rs.value(2).toLong());
      });
  std::string did;
  for (const auto& [type, of] : lines) {
    com::SafeArray list({{0, 2}, {0, static_cast<int32_t>(of.size())}});
    for (size_t i = 0; i < of.size(); ++i) {
      list.at({0, static_cast<int32_t>(i)}) = of[i].first;
      list.at({1, static_cast<int32_t>(i)}) = of[i].second;
    }
    call(*autoDis_, "AutoDisDirctMaterielExpByInterID",
         {o_.year, o_.period, type, com::Variant(std::move(list))});
    did += (did.empty() ? "" : ", ") + counted(static_cast<int64_t>(of.size()), "line", "lines") +
           (type == 0 ? " of normal use" : " of repairable waste");
  }
  return "direct " + (did.empty() ? std::string("lines: none") : "rows of " + did) +
         ", each whole to its cost object";
}

std::string PeriodClose::workInProcess() {
  call(*update_, "DispOnlineMateriel", {o_.year, o_.period});
  return "the work-in-process materials not made in the period spread over their consumers";
}

std::string PeriodClose::workInProcessOfProducts() {
  const std::vector<int32_t> all = distinctOfPeriod("FLevel", "CBCalInfo_CurData");
  for (int32_t level : all)
    call(*update_, "DispOnlineMateriel", {o_.year, o_.period, level});
  return "the work-in-process products of " + counted(static_cast<int64_t>(all.size()), "level", "levels") +
         " spread over their consumers";
}

std::string PeriodClose::calculationInputs() {
  const std::vector<int32_t> ids = distinctOfPeriod("FCostObjID", "cbCompleteQty");
  com::SafeArray list({{0, 1}, {0, static_cast<int32_t>(ids.size())}});
  for (size_t i = 0; i < ids.size(); ++i)
    list.at({0, static_cast<int32_t>(i)}) = ids[i];
  com::Variant answer =
      call(*calInfo_, "GetCaculateInfo", {com::Variant(std::move(list)), o_.year, o_.period});
  com::Dispatch& inputs = *answer.toObject();
  for (const char* key :
       {"OperateInfo", "SpendMateriel", "OverOnlineQty", "ZeroInfo", "PPBOMInfo", "OnlineMaterielDispInfo"}) {
    com::Variant set = com::getProperty(inputs, "Item", key);
    rows_ += com::getProperty(*set.toObject(), "RecordCount").toLong();
  }
  return "six rowsets for " + counted(static_cast<int64_t>(ids.size()), "cost object", "cost objects");
}

std::string PeriodClose::clientCalculation() {
  std::vector<com::Variant> statements;
  for (std::string& s : demoplant::clientCalculation(o_.year, o_.period))
    statements.emplace_back(std::move(s));
  call(*update_, "UpdateBatch", {com::Variant(com::SafeArray::vector(std::move(statements)))});
  return "the client's costs per department and cost object, part kept in work in process";
}

std::string PeriodClose::productCostRows() {
  const std::vector<int32_t> all = distinctOfPeriod("FLevel", "CBCalInfo_CurData");
  for (int32_t level : all) {
    call(*update_, "AdjustAmountDiff", {o_.year, o_.period, level});
    call(*update_, "UpdateProduct", {level, o_.year, o_.period});
  }
  call(*update_, "UpdateCalType", {o_.year, o_.period});
  return "split differences settled, " + counted(static_cast<int64_t>(all.size()), "level", "levels") +
         ", calculation types set";
}

std::string PeriodClose::classificationSplit() {
  call(*update_, "UpdateClassifyCostObjStandardSet", {o_.year, o_.period, std::string("COST")});
  struct Amount {
    int32_t dept, costObj, costItem, level;
    com::Variant amount;
  };
  std::vector<Amount> amounts;
  eachRow(
      std::string(
          "SELECT a.FDeptID, a.FCostObjID, a.FCostItemID, a.FLevel, SUM(a.FOverAmount) FROM "
          "CBCalInfo_CurData a INNER JOIN cbCostObj o ON o.FItemID = a.FCostObjID AND o.FCalculateType = ") +
          codes::kClassification + " WHERE a.FYear = " + sqlNumber(o_.year) +
          " AND a.FPeriod = " + sqlNumber(o_.period) +
          " GROUP BY a.FDeptID, a.FCostObjID, a.FCostItemID, a.FLevel ORDER BY a.FCostObjID, a.FDeptID, "
          "a.FCostItemID, a.FLevel",
      [&](ado::Recordset& rs) {
        amounts.push_back({rs.value(0).toLong(), rs.value(1).toLong(), rs.value(2).toLong(),
                           rs.value(3).toLong(), rs.value(4)});
      });
  std::map<int32_t, int32_t> standards;  // cost object -> its sort standard
  int refused = 0;
  for (const Amount& a : amounts) {
    auto [at, isNew] = standards.try_emplace(a.costObj, 0);
    if (isNew) at->second = call(*calInfo_, "GetSortStandardID", {a.costObj}).toLong();
    com::Variant dataQty;
    call(*update_, "DistributeTaxCost",
         {o_.year, o_.period, a.dept, a.costObj, a.costItem, a.level, a.amount, at->second,
          com::Variant::byRef(&dataQty)});
    if (dataQty.toLong() == 0) ++refused;
  }
  return counted(static_cast<int64_t>(amounts.size()), "amount", "amounts") + " of " +
         counted(static_cast<int64_t>(standards.size()), "classification cost object",
                 "classification cost objects") +
         " split over their products, " + std::to_string(refused) + " refused (no main product made there)";
}

std::string PeriodClose::writeBack() {
  const std::vector<int32_t> all = distinctOfPeriod("FLevel", "CBCalInfo_CurData");
  for (int32_t level : all)
    call(*update_, "SetCostToDBByLevel", {o_.year, o_.period, level});
  return "unit costs written to the receipt lines of each department, product and batch";
}

std::string PeriodClose::report() {
  reports_.clear();
  for (const std::string& language : o_.reportLanguages) {
    std::vector<com::Variant> args{com::Variant(props(language)), o_.year, o_.period, ""};
    reports_.push_back(com::invokeByName(*calInfo_, "GetProductInfo", com::kMethodOrGet, args));
  }
  if (!reports_.empty()) rows_ = com::getProperty(*reports_.front().toObject(), "RecordCount").toLong();
  return "the product cost report of the closed period in " +
         counted(static_cast<int64_t>(o_.reportLanguages.size()), "language", "languages");
}

}  // namespace mls::close
