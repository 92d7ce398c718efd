#include "distribution/inquiry/members.h"

#include "distribution/inquiry/data_queries.h"
#include "distribution/inquiry/issue_line_lists.h"
#include "distribution/inquiry/line_distribution.h"
#include "distribution/inquiry/settings_lookups.h"
#include "frame/member.h"
#include "frame/presets.h"

namespace mls::distribution::inquiry {

using frame::member;
using frame::opt;
namespace presets = frame::presets;

namespace {

// The arguments of GetMaterielExpenseDistribute, the same on both classes.
const std::vector<frame::ParamName>& distributeParams() {
  static const std::vector<frame::ParamName> params{"sDsn",
                                                    "aYear",
                                                    "aPeriod",
                                                    "lInterID",
                                                    "lEntryID",
                                                    opt("bRefresh", true),
                                                    opt("vctData"),
                                                    opt("lngStandardIDBySelect", 0),
                                                    opt("StrStandardNameBySelect", ""),
                                                    opt("lngCostObjGroupID", 0),
                                                    opt("sBillNo", "")};
  return params;
}

const std::vector<frame::ParamName> kByLevelParams{"sDsn", "iYear", "iPeriod", "lLevel",
                                                   opt("bOnlyShare", false)};

}  // namespace

void addConcludeInfoMembers(com::TypeInfo& t) {
  member(t, "GetEnableEcnRight", presets::kInquiry, {"sDsn"}, getEnableEcnRight);
  member(t, "GetCostEnableEcnRight", presets::kInquiry, {"sDsn"}, getCostEnableEcnRight);
  member(t, "GetCalCompleteQtyStatus", presets::kUncommittedOnSuccess, {"sDsn"}, getCalCompleteQtyStatus);
  member(t, "GetCostObjGroupIDByNumber", presets::kInquiryWithoutVote, {"sDsn", "strGroupNuber"},
         getCostObjGroupIDByNumber);
  member(t, "GetObject", presets::kInquiry, {"sDsn"}, getObject);
  member(t, "GetCostObject", presets::kThroughOwnInterface, {"sDsn"}, getCostObject);
  member(t, "GetMaterielExpInfo", presets::kInquiry, {"sDsn", "Filter", "bNoDisData"}, getMaterielExpInfo);
  member(t, "GetMaterielExpInfoByLevel", presets::kInquiry, kByLevelParams, getMaterielExpInfoByLevel);
  member(t, "GetMaterielExpenseDistribute", presets::kInquiry, distributeParams(),
         getMaterielExpenseDistribute);
}

void addWConcludeInfoMembers(com::TypeInfo& t) {
  member(t, "GetMaterielExpInfo", presets::kInquiry, {"sDsn", "Filter", "bNoDisData"},
         getWasteMaterielExpInfo);
  member(t, "GetMaterielExpInfoByLevel", presets::kInquiry, kByLevelParams, getWasteMaterielExpInfoByLevel);
  member(t, "GetMaterielExpenseDistribute", presets::kInquiry, distributeParams(),
         getWasteMaterielExpenseDistribute);
}

void addAutoDisInfoMembers(com::TypeInfo& t) {
  member(t, "IsMaterielRation", presets::kInquiry, {"sDsn", "lStdID"}, isMaterielRation);
  member(t, "GetMaterieExpItemByDept", presets::kInquiry,
         {"sDsn", "lDeptID", "iTypeID", "Filter", opt("sFilter", "")}, getMaterieExpItemByDept);
  member(t, "GetItemStandardByDept", presets::kInquiry,
         {"sDsn", "lDeptID", "iTypeID", "Filter", opt("sFilter", "")}, getItemStandardByDept);
  member(t, "GetShareMaterielBillByLevel", presets::kInquiryWithoutVote,
         {"sDsn", "iYear", "iPeriod", "iTypeID", "lLevel"}, getShareMaterielBillByLevel);
  member(t, "GetDirctMaterielBill", presets::kInquiryWithoutVote,
         {"sDsn", "iYear", "iPeriod", "iTypeID", "bNoDisData", opt("sFilter", "")}, getDirctMaterielBill);
  member(t, "GetMaterieExpByDeptIsSame", presets::kInquiry,
         {"sDsn", "iYear", "iPeriod", "lDeptID", "iTypeID", opt("sFilter", "")}, getMaterieExpByDeptIsSame);
  member(t, "GetShareMaterielBillByLeave", presets::kInquiryWithoutVote,
         {"sDsn", "iYear", "iPeriod", "iTypeID", "sFilter", opt("rsLevelCostObj")},
         getShareMaterielBillByLeave);
  member(t, "GetDisMaterilCostObjGroup", presets::kInquiry,
         {"sDsn", "lStandardID", "lDeptID", "iTypeID", "dctFilter", opt("lItemID", 0), opt("sFilter", ""),
          opt("sTableName", ""), opt("bISStdByItem", false), opt("bFormulaByItem", false)},
         getDisMaterilCostObjGroup);
}

}  // namespace mls::distribution::inquiry
