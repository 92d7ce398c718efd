// The fixture of the distribution inquiry over issue lines: the class under
// test created by ProgID, the period (2024, 3) in calendar months, production
// departments 1 and 2 and auxiliary department 3, materials 500 (2 quantity
// decimals), 501 (none set) and 502 (valued at plan price), cost objects 101 to
// 103 numbered "C101".., the markers 90 (MaterielShareID) and 91
// (MaterielMakeID), and helpers that write live bills and take the period
// snapshot from them.
#pragma once

#include <string>
#include <vector>

#include "support/erp_rows.h"
#include "support/public_class_test.h"

namespace mls::testing {

// One issue line: its cost object (0: shared) and group.
struct IssueLine {
  int entry = 1;
  int item = 500;
  double qty = 0;
  double amount = 0;
  int costObj = 0;
  int group = 0;
  double planPrice = 0;
};

class LinesTest : public PublicClassTest, public ErpRows {
 protected:
  void setUpFor(const std::string& progId);

  void exec(const std::string& sql) const override { db_.run(sql); }
  // A live bill with its lines (`b.type` 24 an issue, 5 a purchase receipt).
  void issue(const Bill& b, const std::vector<IssueLine>& lines) const;
  // The period snapshot of (2024, 3), taken by ConcludeUpdate.
  void snapshot();
  // A distribution row of (2024, 3) in `table`.
  void distributed(const std::string& table, int interId, int entry, int costObj, int stdID = 0,
                   int costItem = 0, double standardData = 0) const;

  // The recordset a call answers, each row the named fields (all when none
  // named) as text joined by " ", sorted; no row for Nothing.
  static std::vector<std::string> rows(const com::Variant& recordset,
                                       const std::vector<std::string>& fields = {});
};

}  // namespace mls::testing
