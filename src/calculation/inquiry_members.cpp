#include "calculation/inquiry_members.h"

#include <initializer_list>
#include <utility>
#include <vector>

#include "calculation/consumption_inquiries.h"
#include "calculation/material_inquiries.h"
#include "calculation/product_cost_reports.h"
#include "frame/public_object.h"

namespace mls::calculation {
namespace {

using com::Param;
using com::VarKind;
using frame::Call;
using frame::FrameFacts;

com::Variant recordset(com::Ref<ado::Recordset> rs) {
  return com::Variant(com::Ref<com::Dispatch>(std::move(rs)));
}

// sDsn, then 32-bit integers, then `more`.
std::vector<Param> args(std::initializer_list<const char*> longs, std::vector<Param> more = {}) {
  std::vector<Param> params{Param("sDsn", VarKind::String)};
  for (const char* name : longs)
    params.push_back(Param(name, VarKind::Long));
  for (Param& p : more)
    params.push_back(std::move(p));
  return params;
}

Param optionalDates() {
  return Param("dctCurPeriodDate", VarKind::Object).opt();
}

}  // namespace

void registerCalculationInquiryMembers(com::TypeInfo& t) {
  using frame::framed;
  using Object = frame::PublicObject;
  // All of them: SetComplete at entry, READ UNCOMMITTED, no SetAbort; only
  // GetProductInfo_ForVchGen puts its name in front of an error's source.
  const FrameFacts inquiry =
      FrameFacts().votes(frame::VoteAt::Entry).connects(frame::Isolation::ReadUncommitted);
  framed<Object>(t, "GetMateriel", args({"iYear", "iPeriod"}, {Param("lngCal", VarKind::Long).opt(0)}),
                 VarKind::Object, inquiry, [](Call& call, com::Args a) {
                   return recordset(getMateriel(call, a[1].toLong(), a[2].toLong(), a[3].toLong()));
                 });
  framed<Object>(t, "GetMaterielBySetLevel",
                 args({"iYear", "iPeriod"}, {Param("lngCal", VarKind::Long).opt(0)}), VarKind::Object,
                 inquiry, [](Call& call, com::Args a) {
                   return recordset(getMaterielBySetLevel(call, a[1].toLong(), a[2].toLong(), a[3].toLong()));
                 });
  framed<Object>(t, "GetProductIn", args({"iYear", "iPeriod"}, {optionalDates()}), VarKind::Object, inquiry,
                 [](Call& call, com::Args a) {
                   return recordset(getProductIn(call, a[1].toLong(), a[2].toLong(), a[3]));
                 });
  framed<Object>(t, "GetAmountZero", args({"iYear", "iPeriod", "iCostObjID"}), VarKind::Object, inquiry,
                 [](Call& call, com::Args a) {
                   return recordset(getAmountZero(call, a[1].toLong(), a[2].toLong(), a[3].toLong()));
                 });
  // dctCurPeriodDate is accepted and not needed: the result does not depend
  // on the period window.
  framed<Object>(t, "GetOnlineCostobj", args({"iYear", "iPeriod"}, {optionalDates()}), VarKind::Object,
                 inquiry, [](Call& call, com::Args a) {
                   return recordset(getOnlineCostobj(call, a[1].toLong(), a[2].toLong()));
                 });
  // lngDeptID is accepted and not used: the results cover every department.
  framed<Object>(t, "GetSpendMaterielSum",
                 args({"iYear", "iPeriod"}, {Param("lngDeptID", VarKind::Long).opt(0),
                                             Param("lngCostObjID", VarKind::Long).opt(0)}),
                 VarKind::Object, inquiry, [](Call& call, com::Args a) {
                   return recordset(getSpendMaterielSum(call, a[1].toLong(), a[2].toLong(), a[4].toLong()));
                 });
  framed<Object>(
      t, "GetICMOMaterielQtyToCostItem", args({"lngDeptID", "lngCostObjID", "iYear", "iPeriod"}),
      VarKind::Object, inquiry, [](Call& call, com::Args a) {
        return recordset(getICMOMaterielQtyToCostItem(call, a[2].toLong(), a[3].toLong(), a[4].toLong()));
      });
  // sFilter is accepted and not used.
  framed<Object>(t, "GetProductInfo", args({"iYear", "iPeriod"}, {Param("sFilter", VarKind::String)}),
                 VarKind::Object, inquiry, [](Call& call, com::Args a) {
                   return recordset(getProductInfo(call, a[1].toLong(), a[2].toLong()));
                 });
  framed<Object>(t, "GetProductInfo_ForVchGen", args({"lYear", "lPeriod"}), VarKind::Object,
                 inquiry.names(frame::Naming::WithLineBreak), [](Call& call, com::Args a) {
                   return recordset(getProductInfoForVchGen(call, a[1].toLong(), a[2].toLong()));
                 });
}

}  // namespace mls::calculation
