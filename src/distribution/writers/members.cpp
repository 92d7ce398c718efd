#include "distribution/writers/members.h"

#include <cstdint>
#include <string>
#include <utility>

#include "distribution/engine/cost_bom.h"
#include "distribution/engine/materiel_distribution.h"
#include "distribution/writers/direct_rows.h"
#include "distribution/writers/repricing.h"
#include "distribution/writers/respread.h"
#include "distribution/writers/saved_rows.h"
#include "distribution/writers/wip_distribution.h"
#include "frame/member.h"
#include "frame/presets.h"
#include "platform/com/dispatch.h"

namespace mls::distribution::writers {

using frame::member;
using frame::opt;
namespace presets = frame::presets;

namespace {

// AutoDisMaterielExp's arguments gathered for the engine.
bool autoDisMaterielExpMember(frame::Call& call, int32_t standardID, int32_t deptID, int32_t typeID,
                              com::Ref<com::Dispatch> filter, int32_t itemID, std::string sqlFilter,
                              std::string costBomTable, bool standardByItem, bool formulaByItem,
                              int32_t groupID, std::string costItem, com::Ref<com::Dispatch> errInfo) {
  engine::MaterielDistribution r;
  r.standardID = standardID;
  r.deptID = deptID;
  r.typeID = typeID;
  r.filter = com::Variant(std::move(filter));
  r.itemID = itemID;
  r.sqlFilter = std::move(sqlFilter);
  r.costBomTable = std::move(costBomTable);
  r.standardByItem = standardByItem;
  r.formulaByItem = formulaByItem;
  r.groupID = groupID;
  r.costItem = std::move(costItem);
  r.errInfo = com::Variant(std::move(errInfo));
  return engine::autoDisMaterielExp(call, r);
}

// lType 0 creates a table and answers its name; any other lType drops
// `tableName` and answers "".
std::string createDelCostBom(frame::Call& call, int32_t type, int32_t year, int32_t period, int32_t deptID,
                             std::string tableName) {
  if (type == 0) return engine::createCostBomTable(call, year, period, deptID);
  engine::dropCostBomTable(call, tableName);
  return "";
}

}  // namespace

void addConcludeUpdateMembers(com::TypeInfo& t) {
  member(t, "DispOnlineMateriel", presets::kNamedWriter, {"sDsn", "lYear", "lPeriod", opt("lLevel", -1)},
         dispOnlineMateriel);
  member(t, "SaveMaterielDistribute", presets::kWriter,
         {"sDsn", "iYear", "iPeriod", "lInterID", "lEntryID", "vctData", "iType"}, saveMaterielDistribute);
  member(t, "DistributeMaterielExpense", presets::kWriter,
         {"sDsn", "lInterID", "lEntryID", "iQtyDecimal", "iPriceDecimal", "dbSumAmount", "dbSumQty"},
         distributeMaterielExpense);
  // The clear and the plan price have no handler of their own: an error
  // passes unchanged, without SetAbort.
  member(t, "ClearDistributeResult", presets::kWriterWithoutAbort,
         {"sDsn", "iYear", "iPeriod", "iTypeID", opt("sFilter", "")}, clearDistributeResult);
  member(t, "UpdateToPlanPrice", presets::kWriterWithoutAbort, {"sDsn", "iYear", "iPeriod"},
         updateToPlanPrice);
  member(t, "UpdateReWorkPrice", presets::kWriter, {"sDsn"}, updateReWorkPrice);
  // Votes SetComplete at entry; its handler casts no SetAbort.
  member(t, "InsertBadData",
         frame::FrameFacts().votes(frame::VoteAt::Entry).connects(frame::Isolation::ReadCommitted),
         {"sDsn", "iYear", "iPeriod", opt("dctCurPeriodDate")}, insertBadData);
}

void addAutoDisMembers(com::TypeInfo& t) {
  member(t, "AutoDisMaterielExp", presets::kWriter,
         {"sDsn", "lStandardID", "lDeptID", "iTypeID", "dctFilter", opt("lItemID", 0), opt("sFilter", ""),
          opt("sTableName", ""), opt("bISStdByItem", false), opt("bFormulaByItem", false),
          opt("lngCostObjGroupID", 0), opt("strCostItem", ""), opt("dctErrInfo")},
         autoDisMaterielExpMember);
  member(t, "CreateDelCostBom", presets::kWriterAnsweringEmpty,
         {"sDsn", "lType", "iYear", "iPeriod", opt("lDeptID", 0), opt("sTbName", "")}, createDelCostBom);
  // No handler of their own: SetComplete once done, an error passes
  // unchanged without SetAbort.
  const std::vector<frame::ParamName> byPairs{"sDsn", "iYear", "iPeriod", "iTypeID", "arInterID"};
  member(t, "AutoDisDirctMaterielExpByInterID", presets::kWriterWithoutAbort, byPairs,
         autoDisDirctMaterielExpByInterID);
  member(t, "DistributeDirctMaterielExpByLevel", presets::kWriterWithoutAbort,
         {"sDsn", "iYear", "iPeriod", "iTypeID", "lLevel"}, distributeDirctMaterielExpByLevel);
  member(t, "DistributeDirctMaterielExpLeaveIn", presets::kWriterWithoutAbort,
         {"sDsn", "iYear", "iPeriod", "iTypeID", "sFilter"}, distributeDirctMaterielExpLeaveIn);
  member(t, "DistributeShareMaterielExpByInterID", presets::kWriterWithoutAbort, byPairs,
         distributeShareMaterielExpByInterID);
  member(t, "DistributeShareMaterielExpLeaveID", presets::kWriterWithoutAbort, byPairs,
         distributeShareMaterielExpLeaveID);
}

}  // namespace mls::distribution::writers
