#include "calculation/product_cost_members.h"

#include <string>
#include <vector>

#include "calculation/cost_write_back.h"
#include "calculation/product_cost_check.h"
#include "calculation/product_cost_rows.h"
#include "frame/public_object.h"

namespace mls::calculation {
namespace {

using com::Param;
using com::VarKind;
using frame::Call;
using frame::FrameFacts;
using frame::Isolation;
using frame::PublicObject;
using frame::VoteAt;

std::vector<Param> longArgs(std::vector<const char*> names) {
  std::vector<Param> params{Param("sDsn", VarKind::String)};
  for (const char* name : names)
    params.push_back(Param(name, VarKind::Long));
  return params;
}

void concludeUpdateMembers(com::TypeInfo& t) {
  // Product cost rows and calculation types: SetAbort on failure, source
  // unchanged; the settlement names itself.
  const FrameFacts writes = FrameFacts().votes(VoteAt::Success).aborts().connects(Isolation::ReadCommitted);
  frame::framed<PublicObject>(t, "UpdateProduct", longArgs({"lLevel", "iYear", "iPeriod"}), com::kAny, writes,
                              [](Call& call, com::Args a) {
                                updateProduct(call, a[1].toLong(), a[2].toLong(), a[3].toLong());
                                return com::Variant();
                              });
  frame::framed<PublicObject>(t, "UpdateCalType", longArgs({"iYear", "iPeriod"}), com::kAny, writes,
                              [](Call& call, com::Args a) {
                                updateCalType(call, a[1].toLong(), a[2].toLong());
                                return com::Variant();
                              });
  frame::framed<PublicObject>(t, "AdjustAmountDiff", longArgs({"lYear", "lPeriod", "lLevel"}), com::kNoResult,
                              writes.names(frame::Naming::WithLineBreak), [](Call& call, com::Args a) {
                                adjustAmountDiff(call, a[1].toLong(), a[2].toLong(), a[3].toLong());
                                return com::Variant();
                              });

  // The write-back has no handler of its own: an error passes unchanged,
  // without SetAbort and without a vote.
  const FrameFacts writeBack = FrameFacts().votes(VoteAt::Success).connects(Isolation::ReadCommitted);
  std::vector<Param> byLevel = longArgs({"lYear", "lPeriod", "lLevel"});
  byLevel.push_back(Param("dctCurPeriodDate", VarKind::Object).opt());
  frame::framed<PublicObject>(t, "SetCostToDBByLevel", std::move(byLevel), com::kNoResult, writeBack,
                              [](Call& call, com::Args a) {
                                setCostToDBByLevel(call, a[1].toLong(), a[2].toLong(), a[3].toLong(), a[4]);
                                return com::Variant();
                              });
  std::vector<Param> byProduct = longArgs({"iYear", "iPeriod", "lProductID", "lDeptID"});
  byProduct.push_back(Param("sBatchNo", VarKind::String));
  byProduct.push_back(Param("dbAmount", VarKind::Double));
  byProduct.push_back(Param("dctCurPeriodDate", VarKind::Object).opt());
  frame::framed<PublicObject>(t, "SetCostToDBByProduct", std::move(byProduct), com::kNoResult, writeBack,
                              [](Call& call, com::Args a) {
                                setCostToDBByProduct(call, a[1].toLong(), a[2].toLong(),
                                                     {.productId = a[3].toLong(),
                                                      .deptId = a[4].toLong(),
                                                      .batchNo = a[5].toString(),
                                                      .amount = a[6].toDouble()},
                                                     a[7]);
                                return com::Variant();
                              });
}

void calInfoMembers(com::TypeInfo& t) {
  frame::framed<PublicObject>(
      t, "GetTaxCost", longArgs({"iYear", "iPeriod", "lLevel", "lIsID"}), VarKind::Object,
      FrameFacts().votes(VoteAt::Entry).connects(Isolation::ReadUncommitted), [](Call& call, com::Args a) {
        return com::Variant(com::Ref<com::Dispatch>(
            getTaxCost(call, a[1].toLong(), a[2].toLong(), a[3].toLong(), a[4].toLong() == 0)));
      });
}

}  // namespace

void registerProductCostMembers(com::TypeInfo& type) {
  if (type.className() == "Marlstone.ConcludeUpdate") concludeUpdateMembers(type);
  if (type.className() == "Marlstone.CalInfo") calInfoMembers(type);
}

}  // namespace mls::calculation
