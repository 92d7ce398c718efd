#include "cal_info_inquiry_fixture.h"

#include <algorithm>
#include <stdexcept>

#include "platform/com/registry.h"
#include "support/recordset_rows.h"

namespace mls::testing {

void CalInfoInquiryTest::SetUp() {
  CalcTest::SetUp();
  // Calls go to CalInfo.
  object_ = com::createObject("Marlstone.CalInfo");
}

ado::Recordset& CalInfoInquiryTest::recordset(const com::Variant& answer) {
  auto* rs = dynamic_cast<ado::Recordset*>(answer.toObject().get());
  if (!rs) throw std::runtime_error("the answer is not a recordset");
  EXPECT_FALSE(rs->activeConnection()) << "the recordset is still connected";
  return *rs;
}

Rows CalInfoInquiryTest::rowsOf(const com::Variant& answer) {
  ado::Recordset& rs = recordset(answer);
  return sortedRowTexts(rs);
}

std::vector<std::string> CalInfoInquiryTest::columnsOf(const com::Variant& answer) {
  ado::Recordset& rs = recordset(answer);
  std::vector<std::string> names;
  for (size_t i = 0; i < rs.fieldCount(); ++i)
    names.push_back(rs.fieldInfo(i).name);
  return names;
}

}  // namespace mls::testing
