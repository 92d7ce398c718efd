#include "classes/cal_info.h"

#include <initializer_list>
#include <utility>
#include <vector>

#include "calculation/actual_cost_inputs.h"
#include "calculation/calculation_inquiries.h"
#include "calculation/inquiry_members.h"
#include "frame/period_services.h"
#include "frame/period_window.h"
#include "standards/standard_lookups.h"

namespace mls::classes {
namespace {

using com::Param;
using com::VarKind;
using frame::Call;
using frame::FrameFacts;

com::Variant recordset(com::Ref<ado::Recordset> rs) {
  return com::Variant(com::Ref<com::Dispatch>(std::move(rs)));
}

// sDsn followed by 32-bit integers.
std::vector<Param> longArgs(std::initializer_list<const char*> names) {
  std::vector<Param> params{Param("sDsn", VarKind::String)};
  for (const char* name : names)
    params.push_back(Param(name, VarKind::Long));
  return params;
}

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
         Param("iPeriod", VarKind::Long), Param("dctCurPeriodDate", VarKind::Object).opt()},
        VarKind::Object, none.votes(frame::VoteAt::Entry).connects(frame::Isolation::ReadUncommitted),
        [](Call& call, com::Args a) {
          return com::Variant(com::Ref<com::Dispatch>(
              calculation::getCaculateInfo(call, a[1], a[2].toLong(), a[3].toLong(), a[4])));
        });
    calculation::registerCalculationInquiryMembers(t);
    // The calculation's request and completion inquiries and the small
    // standard lookups: SetComplete at entry, READ UNCOMMITTED, source
    // unchanged, no SetAbort.
    const FrameFacts inquiry = none.votes(frame::VoteAt::Entry).connects(frame::Isolation::ReadUncommitted);
    frame::framed<CalInfo>(t, "IsRequestAssist", longArgs({"iYear", "iPeriod", "lLevel"}), VarKind::Boolean,
                           inquiry, [](Call& call, com::Args a) {
                             return com::Variant(calculation::isRequestAssist(call, a[1].toLong(),
                                                                              a[2].toLong(), a[3].toLong()));
                           });
    frame::framed<CalInfo>(
        t, "IsRequestMake", longArgs({"iYear", "iPeriod", "lLevel"}), VarKind::Boolean, inquiry,
        [](Call& call, com::Args a) {
          return com::Variant(calculation::isRequestMake(call, a[1].toLong(), a[2].toLong(), a[3].toLong()));
        });
    frame::framed<CalInfo>(
        t, "GetProductAmount", longArgs({"iYear", "iPeriod", "lLevel"}), VarKind::Object, inquiry,
        [](Call& call, com::Args a) {
          return recordset(calculation::getProductAmount(call, a[1].toLong(), a[2].toLong(), a[3].toLong()));
        });
    frame::framed<CalInfo>(
        t, "GetOnOkCostObj", longArgs({"iYear", "iPeriod"}), VarKind::Object, inquiry,
        [](Call& call, com::Args a) {
          return recordset(calculation::getOnOkCostObj(call, a[1].toLong(), a[2].toLong()));
        });
    frame::framed<CalInfo>(t, "GetOnlStdAData", longArgs({"lStandardID", "iYear", "iPeriod", "lCostObjID"}),
                           VarKind::Object, inquiry, [](Call& call, com::Args a) {
                             return recordset(standards::getOnlStdAData(call, a[1].toLong(), a[2].toLong(),
                                                                        a[3].toLong(), a[4].toLong()));
                           });
    frame::framed<CalInfo>(t, "GetOnlStdPData", longArgs({"lStandardID", "iYear", "iPeriod", "lCostObjID"}),
                           VarKind::Object, inquiry, [](Call& call, com::Args a) {
                             return recordset(standards::getOnlStdPData(call, a[1].toLong(), a[2].toLong(),
                                                                        a[3].toLong(), a[4].toLong()));
                           });
    frame::framed<CalInfo>(t, "GetYearBData", longArgs({"iYear", "lCostObjID"}), VarKind::Object, inquiry,
                           [](Call& call, com::Args a) {
                             return recordset(standards::getYearBData(call, a[1].toLong(), a[2].toLong()));
                           });
    frame::framed<CalInfo>(
        t, "GetQtyID", longArgs({"lStdID"}), VarKind::Object, inquiry,
        [](Call& call, com::Args a) { return recordset(standards::getQtyID(call, a[1].toLong())); });
    return t;
  }();
  return info;
}

}  // namespace mls::classes
