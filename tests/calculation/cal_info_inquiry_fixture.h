// CalInfo's small inquiries through the class created by ProgID: calls by name
// with the properties string first, and the recordsets they answer read back
// as sorted text rows.
#pragma once

#include <string>
#include <vector>

#include "calc_fixture.h"
#include "platform/ado/recordset.h"

namespace mls::testing {

class CalInfoInquiryTest : public CalcTest {
 protected:
  void SetUp() override;

  // The recordset an answer holds; fails the test when it is still connected.
  static ado::Recordset& recordset(const com::Variant& answer);
  // Its rows, sorted, each value as text ("NULL" for Null).
  static Rows rowsOf(const com::Variant& answer);
  static std::vector<std::string> columnsOf(const com::Variant& answer);
};

}  // namespace mls::testing
