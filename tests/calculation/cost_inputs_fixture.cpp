#include "cost_inputs_fixture.h"

#include <algorithm>

#include "frame/sql_literal.h"
#include "platform/ado/recordset.h"
#include "platform/halvern/dictionary.h"
#include "support/recordset_rows.h"

namespace mls::testing {
namespace {

ado::Recordset& recordset(const com::Variant& answer, const std::string& key) {
  auto* dict = dynamic_cast<halvern::Dictionary*>(answer.toObject().get());
  if (!dict) throw std::runtime_error("the answer is not a dictionary");
  auto* rs = dynamic_cast<ado::Recordset*>(dict->item(key).toObject().get());
  if (!rs) throw std::runtime_error(key + " is not a recordset");
  return *rs;
}

}  // namespace

void CostInputsTest::SetUp() {
  CalcTest::SetUp();
  calInfo_ = com::createObject("Marlstone.CalInfo");
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
  std::vector<com::Variant> args{com::Variant(db_.props("en")), costObjects(ids), 2024, 3};
  args.insert(args.end(), more.begin(), more.end());
  return com::invokeByName(*calInfo_, "GetCaculateInfo", com::kMethodOrGet, args);
}

com::ExcepInfo CostInputsTest::inputsFailure(const std::vector<com::Variant>& ids) {
  try {
    inputs(ids);
  } catch (const com::ComError& e) {
    return e.info();
  }
  ADD_FAILURE() << "GetCaculateInfo did not fail";
  return {};
}

Rows CostInputsTest::rowset(const com::Variant& answer, const std::string& key) {
  ado::Recordset& rs = recordset(answer, key);
  EXPECT_FALSE(rs.activeConnection()) << key << " is still connected";
  return sortedRowTexts(rs);
}

std::vector<std::string> CostInputsTest::columns(const com::Variant& answer, const std::string& key) {
  ado::Recordset& rs = recordset(answer, key);
  std::vector<std::string> names;
  for (size_t i = 0; i < rs.fieldCount(); ++i)
    names.push_back(rs.fieldInfo(i).name);
  return names;
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
