#include "calculation/saved_results.h"

#include "frame/sql_script.h"

namespace mls::calculation {
namespace {

constexpr const char* kCalInfoColumns =
    "FYear, FPeriod, FDeptID, FCostObjID, FCostItemID, FStandardID, FStdSubID, FStandarddata, FOverAmount, "
    "FOnlineAmount, FRevertAmount, FRevQuo, FLevel";
constexpr const char* kDetailColumns =
    "FYear, FPeriod, FDeptID, FCostObjID, FCostItemID, FMaterielID, FBatchNo, FSpendCostObjID, FOverAmount, "
    "FOnlineAmount, FOverQty, FOnlineQty, FLevel";

}  // namespace

void saveCBCalInfo(frame::Call& call) {
  frame::SqlScript sql;
  sql.line(std::string("INSERT INTO CBCalInfo (") + kCalInfoColumns + ")")
      .line(std::string("SELECT ") + kCalInfoColumns + " FROM CBCalInfo_CurData")
      .line(std::string("INSERT INTO CBCalInfoDetail (") + kDetailColumns + ")")
      .line(std::string("SELECT ") + kDetailColumns + " FROM CBCalInfoDetail_CurData");
  sql.send(call.connection());
}

}  // namespace mls::calculation
