// CalInfo.GetCaculateInfo through the class created by ProgID: the list of cost
// objects as the client hands it (a field-by-record array), and the rowsets of
// the answer read back as text rows.
#pragma once

#include <string>
#include <vector>

#include "cal_info_inquiry_fixture.h"
#include "platform/com/registry.h"

namespace mls::testing {

class CostInputsTest : public CalInfoInquiryTest {
 protected:
  // The client's list: two fields per record (the ID, then a name to ignore).
  static com::Variant costObjects(const std::vector<com::Variant>& ids);
  // GetCaculateInfo(props, list of `ids`, 2024, 3[, dates]).
  com::Variant inputs(const std::vector<com::Variant>& ids, std::vector<com::Variant> more = {});
  com::ExcepInfo inputsFailure(const std::vector<com::Variant>& ids);

  // The rowset under `key`, rows sorted; each value as text ("NULL" for Null).
  static Rows rowset(const com::Variant& answer, const std::string& key) {
    return rowsOf(under(answer, key));
  }
  static std::vector<std::string> columns(const com::Variant& answer, const std::string& key) {
    return columnsOf(under(answer, key));
  }
  // The rows of `key` for cost object `costObj` (its field named FCostObjID).
  static Rows rowsOf(const com::Variant& answer, const std::string& key, const std::string& costObj);
  using CalInfoInquiryTest::rowsOf;

  void costItem(int id, int type) const;

 private:
  static com::Variant under(const com::Variant& answer, const std::string& key);
};

}  // namespace mls::testing
