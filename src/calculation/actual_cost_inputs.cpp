#include "calculation/actual_cost_inputs.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "calculation/cost_input_builders.h"
#include "calculation/wip_material_inputs.h"
#include "frame/lang_text.h"
#include "frame/period_window.h"
#include "frame/sql_literal.h"
#include "frame/sql_script.h"
#include "platform/com/error.h"

namespace mls::calculation {
namespace {

constexpr const char* kNotACostObject = "成本对象列表的元素(0, %1)不是成本对象内码：%2";

[[noreturn]] void refuse(const frame::Call& call, int32_t index, const com::Variant& element) {
  std::string shown = element.isNull() ? "Null" : element.isEmpty() ? "Empty" : element.toString();
  com::Variant args(com::SafeArray::vector({com::Variant(index), com::Variant(shown)}));
  com::raise(com::err::kTypeMismatch, call.fullName(),
             frame::langTextFormat(call.language(), kNotACostObject, args));
}

int32_t costObjectId(const frame::Call& call, int32_t index, const com::Variant& element) {
  const com::Variant& v = element.deref();
  if (v.isEmpty() || v.isNull() || v.isMissing() || v.isObject() || v.isArray()) refuse(call, index, v);
  double number = 0;
  try {
    number = v.toDouble();
  } catch (const com::ComError&) {
    refuse(call, index, v);
  }
  if (!std::isfinite(number) || number != std::floor(number) || number < INT32_MIN || number > INT32_MAX)
    refuse(call, index, v);
  return static_cast<int32_t>(number);
}

// The distinct cost-object IDs of the list, in the order they first occur.
std::vector<int32_t> listedCostObjects(const frame::Call& call, const com::Variant& varCostObj) {
  const com::SafeArray& array = varCostObj.deref().array();
  const int32_t upper = array.ubound(2);
  std::vector<int32_t> ids;
  for (int32_t i = 0; i <= upper; ++i) {
    int32_t id = costObjectId(call, i, array.at({0, i}));
    if (std::find(ids.begin(), ids.end(), id) == ids.end()) ids.push_back(id);
  }
  return ids;
}

void fillCostObjects(ado::Connection& connection, const std::vector<int32_t>& ids) {
  connection.execute(" Create Table #CostObj(FCostObjID INT) ", nullptr, -1);
  if (ids.empty()) return;
  frame::SqlScript sql;
  for (int32_t id : ids)
    sql.line(" Insert Into  #CostObj(FCostObjID ) Values(" + frame::sqlNumber(id) + ")");
  sql.send(connection);
}

void put(halvern::Dictionary& dict, const char* key, com::Ref<ado::Recordset> rs) {
  dict.setItem(key, rs);
}

}  // namespace

com::Ref<halvern::Dictionary> getCaculateInfo(frame::Call& call, const com::Variant& varCostObj, int32_t year,
                                              int32_t period, const frame::PeriodDates& dctCurPeriodDate) {
  const frame::PeriodWindow window =
      frame::periodWindow(dctCurPeriodDate, call.props(), year, period, frame::WindowForm::NextAsText);
  const std::vector<int32_t> ids = listedCostObjects(call, varCostObj);
  ado::Connection& connection = call.connection();
  fillCostObjects(connection, ids);

  com::Ref<halvern::Dictionary> dict = com::makeObject<halvern::Dictionary>();
  put(*dict, "OperateInfo", getOperateInfo(connection, year, period));
  put(*dict, "SpendMateriel", getSpendMateriel(connection, year, period));
  put(*dict, "OverOnlineQty", getOverOnlineQty(connection, year, period));
  put(*dict, "ZeroInfo", getZeroInfo(connection, year, period));
  put(*dict, "PPBOMInfo", getPPBOMInfo(connection, window.begin, window.next));
  put(*dict, "OnlineMaterielDispInfo", getOnlineMaterielDispInfo(connection, year, period));
  connection.execute("Drop Table #CostObj", nullptr, -1);
  return dict;
}

}  // namespace mls::calculation
