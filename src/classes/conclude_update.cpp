#include "classes/conclude_update.h"

#include "frame/period_window.h"
#include "frame/sql_batches.h"

namespace mls::classes {
namespace {

using com::Param;
using com::VarKind;
using frame::Call;
using frame::FrameFacts;

}  // namespace

const com::TypeInfo& ConcludeUpdate::type() {
  // Members join the table as the work behind them lands.
  static const com::TypeInfo info = [] {
    com::TypeInfo t(kProgId, kIid);
    const FrameFacts none;
    frame::framed<ConcludeUpdate>(
        t, "GetPeriodDateToClient",
        {Param("sDsn", VarKind::String), Param("iYear", VarKind::Long), Param("iPeriod", VarKind::Long),
         Param("BeginDate", VarKind::Date).ref(), Param("EndDate", VarKind::Date).ref()},
        com::kAny, none.withoutEnv(), [](Call& call, com::Args a) {
          frame::ClientPeriodDates d =
              frame::getPeriodDateToClient(call.props(), a[1].toLong(), a[2].toLong());
          a[3].assign(d.begin);
          a[4].assign(d.end);
          return com::Variant();
        });

    // Client-built SQL in batches: vote on success, SetAbort on failure, source unchanged.
    const FrameFacts batches =
        none.votes(frame::VoteAt::Success).aborts().connects(frame::Isolation::ReadCommitted);
    const std::vector<Param> batchParams{Param("sCnn", VarKind::String), Param("oCol")};
    frame::framed<ConcludeUpdate>(t, "UpdateBatch", batchParams, com::kAny, batches,
                                  [](Call& call, com::Args a) {
                                    frame::updateBatch(call, a[1]);
                                    return com::Variant();
                                  });
    for (const char* name : {"InsertStdCalinfoDetail", "InsertStdCalinfoOrOther"}) {
      frame::framed<ConcludeUpdate>(t, name, batchParams, com::kAny, batches, [](Call& call, com::Args a) {
        frame::insertStdCalinfo(call, a[1]);
        return com::Variant();
      });
    }
    return t;
  }();
  return info;
}

}  // namespace mls::classes
