#include "distribution/engine/members.h"

#include <string>
#include <vector>

#include "distribution/engine/cost_bom.h"
#include "distribution/engine/materiel_distribution.h"
#include "frame/presets.h"
#include "frame/public_object.h"
#include "platform/com/error.h"

namespace mls::distribution::engine {

using com::Param;
using com::VarKind;
using frame::Call;
using frame::FrameFacts;
using frame::PublicObject;

void addAutoDisMembers(com::TypeInfo& t) {
  // SetComplete when the run finished; on failure SetAbort and the error
  // raised again unchanged.  Declared with its raw arguments: an omitted
  // dctErrInfo stays Missing.
  std::vector<Param> params{Param("sDsn", VarKind::String),
                            Param("lStandardID", VarKind::Long),
                            Param("lDeptID", VarKind::Long),
                            Param("iTypeID", VarKind::Long),
                            Param("dctFilter", VarKind::Object),
                            Param("lItemID", VarKind::Long).opt(com::Variant(int32_t{0})),
                            Param("sFilter", VarKind::String).opt(com::Variant("")),
                            Param("sTableName", VarKind::String).opt(com::Variant("")),
                            Param("bISStdByItem", VarKind::Boolean).opt(com::Variant(false)),
                            Param("bFormulaByItem", VarKind::Boolean).opt(com::Variant(false)),
                            Param("lngCostObjGroupID", VarKind::Long).opt(com::Variant(int32_t{0})),
                            Param("strCostItem", VarKind::String).opt(com::Variant("")),
                            Param("dctErrInfo", VarKind::Object).opt()};
  frame::framed<PublicObject>(t, "AutoDisMaterielExp", std::move(params), VarKind::Boolean,
                              frame::presets::kWriter, [](Call& call, com::Args a) {
                                MaterielDistribution r;
                                r.standardID = a[1].toLong();
                                r.deptID = a[2].toLong();
                                r.typeID = a[3].toLong();
                                r.filter = a[4];
                                r.itemID = a[5].toLong();
                                r.sqlFilter = a[6].toString();
                                r.costBomTable = a[7].toString();
                                r.standardByItem = a[8].toBool();
                                r.formulaByItem = a[9].toBool();
                                r.groupID = a[10].toLong();
                                r.costItem = a[11].toString();
                                r.errInfo = a[12];
                                return com::Variant(autoDisMaterielExp(call, r));
                              });

  // No vote, and no error ever leaves it: any failure, the properties
  // string's included, answers "".
  const FrameFacts costBom = FrameFacts().connects(frame::Isolation::ReadCommitted);
  t.method<PublicObject>(
      "CreateDelCostBom",
      {Param("sDsn", VarKind::String), Param("lType", VarKind::Long), Param("iYear", VarKind::Long),
       Param("iPeriod", VarKind::Long), Param("lDeptID", VarKind::Long).opt(com::Variant(int32_t{0})),
       Param("sTbName", VarKind::String).opt(com::Variant(""))},
      VarKind::String,
      [costBom, fullName = t.className() + ".CreateDelCostBom"](PublicObject& self, com::Args a) {
        try {
          return frame::runFrame(self, fullName, costBom, a[0].toString(), [&](Call& call) {
            if (a[1].toLong() == 0)
              return com::Variant(createCostBomTable(call, a[2].toLong(), a[3].toLong(), a[4].toLong()));
            dropCostBomTable(call, a[5].toString());
            return com::Variant("");
          });
        } catch (const com::ComError&) {
          com::clearCurrentError();
          return com::Variant("");
        }
      });
}

}  // namespace mls::distribution::engine
