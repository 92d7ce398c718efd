#include "classes/cal_info.h"

#include "calculation/actual_cost_inputs.h"
#include "frame/period_services.h"
#include "frame/period_window.h"

namespace mls::classes {
namespace {

using com::Param;
using com::VarKind;
using frame::Call;
using frame::FrameFacts;

}  // namespace

const com::TypeInfo& CalInfo::type() {
  // Members join the table as the work behind them lands.
  static const com::TypeInfo info = [] {
    com::TypeInfo t(kProgId, kIid);
    const FrameFacts none;
    // Period services: the period component only, no connection and no vote.
    frame::framed<CalInfo>(
        t, "ClientGetPeriodDate",
        {Param("sDsn", VarKind::String), Param("iYear", VarKind::Long), Param("iPeriod", VarKind::Long),
         Param("BeginDate", VarKind::Date).ref(), Param("EndDate").ref()},
        com::kAny, none.withoutEnv(), [](Call& call, com::Args a) {
          frame::ClientPeriodDates d = frame::clientGetPeriodDate(call.props(), a[1].toLong(), a[2].toLong());
          a[3].assign(d.begin);
          a[4].assign(d.end);
          return com::Variant();
        });
    frame::framed<CalInfo>(t, "GetPeriodsData",
                           {Param("sCnn", VarKind::String), Param("strClip", VarKind::String).ref(),
                            Param("nRows", VarKind::Long).ref(), Param("nColorRow", VarKind::Long).ref()},
                           VarKind::Boolean,
                           none.votes(frame::VoteAt::Entry).connects(frame::Isolation::ReadUncommitted),
                           [](Call& call, com::Args a) {
                             frame::PeriodsGrid grid = frame::getPeriodsData(call);
                             a[1].assign(com::Variant(grid.clip));
                             a[2].assign(com::Variant(grid.rows));
                             if (grid.colorRow) a[3].assign(com::Variant(*grid.colorRow));
                             return com::Variant(true);
                           });
    // The actual-cost inputs: SetComplete at entry, READ UNCOMMITTED, source unchanged.
    frame::framed<CalInfo>(
        t, "GetCaculateInfo",
        {Param("sDsn", VarKind::String), Param("varCostObj"), Param("iYear", VarKind::Long),
         Param("iPeriod", VarKind::Long), Param("dctCurPeriodDate").opt()},
        VarKind::Object, none.votes(frame::VoteAt::Entry).connects(frame::Isolation::ReadUncommitted),
        [](Call& call, com::Args a) {
          return com::Variant(com::Ref<com::Dispatch>(
              calculation::getCaculateInfo(call, a[1], a[2].toLong(), a[3].toLong(), a[4])));
        });
    return t;
  }();
  return info;
}

}  // namespace mls::classes
