#include "classes/conclude_update.h"

#include "calculation/period_reset.h"
#include "calculation/product_cost_members.h"
#include "calculation/quantities.h"
#include "calculation/saved_results.h"
#include "calculation/stock_bill_snapshot.h"
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

    // The period snapshot: READ UNCOMMITTED, no handler of its own (an error
    // passes unchanged, without SetAbort), SetComplete after the connection closed.
    const std::vector<Param> yearPeriod{Param("sDsn", VarKind::String), Param("iYear", VarKind::Long),
                                        Param("iPeriod", VarKind::Long)};
    frame::framed<ConcludeUpdate>(
        t, "GetICStockBillDataForCB",
        {Param("sDsn", VarKind::String), Param("lYear", VarKind::Long), Param("lPeriod", VarKind::Long)},
        com::kNoResult, none.votes(frame::VoteAt::Success).connects(frame::Isolation::ReadUncommitted),
        [](Call& call, com::Args a) {
          calculation::getICStockBillDataForCB(call, a[1].toLong(), a[2].toLong());
          return com::Variant();
        });

    // The period reset and the quantities: vote on success, SetAbort on failure, source unchanged.
    const FrameFacts writes = batches;
    frame::framed<ConcludeUpdate>(t, "DeleteCalInfo", yearPeriod, com::kAny, writes,
                                  [](Call& call, com::Args a) {
                                    calculation::deleteCalInfo(call, a[1].toLong(), a[2].toLong());
                                    return com::Variant();
                                  });
    frame::framed<ConcludeUpdate>(t, "DeleteNDisTable", yearPeriod, com::kAny, writes,
                                  [](Call& call, com::Args a) {
                                    calculation::deleteNDisTable(call, a[1].toLong(), a[2].toLong());
                                    return com::Variant();
                                  });
    frame::framed<ConcludeUpdate>(t, "SaveCBCalInfo", {Param("sDsn", VarKind::String)}, com::kNoResult,
                                  writes.names(frame::Naming::WithLineBreak), [](Call& call, com::Args) {
                                    calculation::saveCBCalInfo(call);
                                    return com::Variant();
                                  });
    frame::framed<ConcludeUpdate>(
        t, "CalCompleteQty",
        {Param("sDsn", VarKind::String), Param("iYear", VarKind::Long), Param("iPeriod", VarKind::Long),
         Param("dctCurPeriodDate", VarKind::Object).opt()},
        com::kAny, writes, [](Call& call, com::Args a) {
          calculation::calCompleteQty(call, a[1].toLong(), a[2].toLong(), a[3]);
          return com::Variant();
        });
    frame::framed<ConcludeUpdate>(t, "CalProductQty", yearPeriod, com::kAny, writes,
                                  [](Call& call, com::Args a) {
                                    calculation::calProductQty(call, a[1].toLong(), a[2].toLong());
                                    return com::Variant();
                                  });
    frame::framed<ConcludeUpdate>(
        t, "UpdateCalCompleteQtyStatus", {Param("sDsn", VarKind::String)}, com::kAny,
        none.votes(frame::VoteAt::Success).connects(frame::Isolation::ReadCommitted),
        [](Call& call, com::Args) {
          calculation::updateCalCompleteQtyStatus(call);
          return com::Variant();
        });
    calculation::registerProductCostMembers(t);
    return t;
  }();
  return info;
}

}  // namespace mls::classes
