#include "distribution/engine/issue_lines.h"

#include <cctype>
#include <cstdlib>

#include "frame/domain_codes.h"
#include "frame/sql_literal.h"
#include "platform/ado/recordset.h"

namespace mls::distribution::engine {

using frame::sqlNumber;
namespace codes = frame::codes;

Purpose purposeOfType(int32_t typeID) {
  return typeID == 0 ? Purpose::Normal : Purpose::RepairableWaste;
}

const char* purposeCode(Purpose purpose) {
  switch (purpose) {
    case Purpose::Normal:
      return codes::kNormalUse;
    case Purpose::RepairableWaste:
      return codes::kWasteUse;
    case Purpose::ResidualValue:
      break;
  }
  return codes::kResidualReturn;
}

const char* rowTable(Purpose purpose) {
  switch (purpose) {
    case Purpose::Normal:
      return "cbMaterielInfo";
    case Purpose::RepairableWaste:
      return "cbWMaterielInfo";
    case Purpose::ResidualValue:
      break;
  }
  return "CBWBMaterielInfo";
}

std::string periodIssueCondition(std::string_view begin, std::string_view next) {
  return std::string(" u1.FTranType=") + codes::kMaterialIssue + " AND u1.FDate>=" + std::string(begin) +
         " AND u1.FDate<" + std::string(next) + " AND u1.FCancellation=0 AND u1.FStatus>0 ";
}

std::string purposeCondition(Purpose purpose) {
  return std::string(" AND u1.FPurposeID=") + purposeCode(purpose) + " ";
}

std::string notExcludedCondition() {
  return " v1.FCostObjID Not In(SELECT FItemID FROM cbCostObj WHERE FNumber='MaterielMakeID') ";
}

std::string sharedCondition() {
  return " ( v1.FCostObjID  In(SELECT FItemID FROM cbCostObj WHERE FNumber='MaterielShareID') or "
         "v1.FCostObjID=0) ";
}

std::string directCondition() {
  return " v1.FCostObjID<>0 AND v1.FCostObjID Not In(SELECT FItemID FROM cbCostObj WHERE FNumber in "
         "('MaterielMakeID','MaterielShareID')) ";
}

std::string groupJoin() {
  return " LEFT JOIN cbcostobjGroup t100 ON v1.FCostObjGroupID=t100.FItemID ";
}

std::string groupCondition(int32_t groupID) {
  if (groupID >= 1) return " AND t100.FItemID=" + sqlNumber(groupID) + " ";
  return " AND (t100.FItemID = 0 or t100.FItemID is null ) ";
}

int32_t matCalStyle(ado::Connection& connection) {
  com::Ref<ado::Recordset> rs =
      connection.execute("SELECT FValue FROM t_Systemprofile WHERE FCateGory='CB' AND FKey='MatCalStyle' ");
  if (rs->eof() || rs->value(0).isNull()) return 0;
  const std::string text = rs->value(0).toString();
  rs->close();
  // The number the text begins with, taken as an integer.
  const char* start = text.c_str();
  while (*start == ' ')
    ++start;
  char* end = nullptr;
  const double v = std::strtod(start, &end);
  if (end == start) return 0;
  return static_cast<int32_t>(v);
}

std::string qtyPlaces(std::string_view item) {
  return "ISNULL(" + std::string(item) + ".FQtyDecimal,10)";
}

std::string valuedPrice(int32_t style, std::string_view item) {
  if (style != 1) return "v1.FPrice";
  return "Case When " + std::string(item) + ".FTrack=" + codes::kPlanPriced +
         " THEN v1.FPlanPrice ELSE v1.FPrice END";
}

std::string valuedAmount(int32_t style, std::string_view item) {
  if (style != 1) return "v1.FAmount";
  return "Case When " + std::string(item) + ".FTrack=" + codes::kPlanPriced +
         " THEN Round(v1.FQty*v1.FPlanPrice,2) ELSE v1.FAmount END";
}

std::string producerJoin(std::string_view item, std::string_view alias) {
  // One row per product and batch, made once per statement: the cost object
  // of the highest calculation type (then the highest id).
  const std::string a(alias);
  return " LEFT JOIN (SELECT b.FProductID,a.FBatchNo,\r\n"
         "   CAST(SUBSTRING(MAX(STR(ISNULL(a.FCalculateType,0),10,0)+STR(a.FItemID,10,0)),11,10) AS INT) AS "
         "FCostObjID\r\n"
         "   FROM cb_CostObj_Product b INNER JOIN cbCostObj a ON a.FItemID=b.FCostObjID GROUP BY "
         "b.FProductID,a.FBatchNo) " +
         a + "\r\n ON " + a + ".FProductID=v1.FItemID AND " + a + ".FBatchNo=CASE WHEN " + std::string(item) +
         ".FTrack=" + codes::kBatchTracked + " THEN v1.FBatchNo ELSE '' END ";
}

std::string defaultCostItems(std::string_view table) {
  const std::string t(table);
  return "UPDATE " + t +
         " SET FCostItemID=ISNULL((SELECT TOP 1 FCostItemID FROM cbExpense WHERE FNumber='5001'),0) WHERE "
         "FCostItemID=0\r\n"
         "UPDATE " +
         t + " SET FCostItemID=ISNULL((SELECT TOP 1 FItemID FROM cbCostItem WHERE FTypeID=" +
         codes::kMaterialCostItem + "),0) WHERE FCostItemID=0\r\n";
}

bool isCostBomTableName(std::string_view name) {
  constexpr std::string_view kPrefix = "Temp_CostBom";
  if (name.size() != kPrefix.size() + 9 || name.substr(0, kPrefix.size()) != kPrefix) return false;
  for (char c : name.substr(kPrefix.size())) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

}  // namespace mls::distribution::engine
