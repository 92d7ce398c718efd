#include "distribution/engine/members.h"

#include <cstdint>
#include <string>
#include <utility>

#include "distribution/engine/cost_bom.h"
#include "distribution/engine/materiel_distribution.h"
#include "frame/member.h"
#include "frame/presets.h"
#include "platform/com/dispatch.h"

namespace mls::distribution::engine {
namespace {

using frame::Call;
using frame::opt;

bool autoDisMaterielExpMember(Call& call, int32_t standardID, int32_t deptID, int32_t typeID,
                              com::Ref<com::Dispatch> filter, int32_t itemID, std::string sqlFilter,
                              std::string costBomTable, bool standardByItem, bool formulaByItem,
                              int32_t groupID, std::string costItem, com::Ref<com::Dispatch> errInfo) {
  MaterielDistribution r;
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
  return autoDisMaterielExp(call, r);
}

// lType 0 creates a table and answers its name; any other lType drops
// `tableName` and answers "".
std::string createDelCostBom(Call& call, int32_t type, int32_t year, int32_t period, int32_t deptID,
                             std::string tableName) {
  if (type == 0) return createCostBomTable(call, year, period, deptID);
  dropCostBomTable(call, tableName);
  return "";
}

}  // namespace

void addAutoDisMembers(com::TypeInfo& t) {
  using frame::member;
  namespace presets = frame::presets;
  member(t, "AutoDisMaterielExp", presets::kWriter,
         {"sDsn", "lStandardID", "lDeptID", "iTypeID", "dctFilter", opt("lItemID", 0), opt("sFilter", ""),
          opt("sTableName", ""), opt("bISStdByItem", false), opt("bFormulaByItem", false),
          opt("lngCostObjGroupID", 0), opt("strCostItem", ""), opt("dctErrInfo")},
         autoDisMaterielExpMember);
  member(t, "CreateDelCostBom", presets::kWriterAnsweringEmpty,
         {"sDsn", "lType", "iYear", "iPeriod", opt("lDeptID", 0), opt("sTbName", "")}, createDelCostBom);
}

}  // namespace mls::distribution::engine
