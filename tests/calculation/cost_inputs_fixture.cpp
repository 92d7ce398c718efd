#include "cost_inputs_fixture.h"

#include <algorithm>

#include "frame/sql_literal.h"
#include "platform/halvern/dictionary.h"

namespace mls::testing {

com::Variant CostInputsTest::under(const com::Variant& answer, const std::string& key) {
  auto* dict = dynamic_cast<halvern::Dictionary*>(answer.toObject().get());
  if (!dict) throw std::runtime_error("the answer is not a dictionary");
  return dict->item(key);
}

com::Variant CostInputsTest::costObjects(const std::vector<com::Variant>& ids) {
  com::SafeArray a({{0, 2}, {0, static_cast<int32_t>(ids.size())}});
  for (size_t i = 0; i < ids.size(); ++i) {
    a.at({0, static_cast<int32_t>(i)}) = ids[i];
    a.at({1, static_cast<int32_t>(i)}) = com::Variant("name");
  }
  return com::Variant(std::move(a));
}

com::Variant CostInputsTest::inputs(const std::vector<com::Variant>& ids, std::vector<com::Variant> more) {
  std::vector<com::Variant> args{costObjects(ids), 2024, 3};
  args.insert(args.end(), more.begin(), more.end());
  return call("GetCaculateInfo", args);
}

com::ExcepInfo CostInputsTest::inputsFailure(const std::vector<com::Variant>& ids) {
  return failureOf("GetCaculateInfo", [&] { inputs(ids); });
}

Rows CostInputsTest::rowsOf(const com::Variant& answer, const std::string& key, const std::string& costObj) {
  std::vector<std::string> names = columns(answer, key);
  size_t at = std::find(names.begin(), names.end(), "FCostObjID") - names.begin();
  Rows out;
  for (std::vector<std::string>& row : rowset(answer, key))
    if (at < row.size() && row[at] == costObj) out.push_back(std::move(row));
  return out;
}

void CostInputsTest::costItem(int id, int type) const {
  exec("INSERT INTO cbCostItem (FItemID, FNumber, FName, FTypeID) VALUES (" + frame::sqlNumber(id) + ", " +
       frame::sqlText("CI" + std::to_string(id)) + ", " + frame::sqlText("Cost item") + ", " +
       frame::sqlNumber(type) + ")");
}

}  // namespace mls::testing
