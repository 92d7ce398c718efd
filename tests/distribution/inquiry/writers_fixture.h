// The fixture of the writers of distribution rows: LinesTest's period, items
// and cost objects, with distribution rows carrying quantities and amounts,
// the rows of a line read back, and the client's list of issue lines.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "lines_fixture.h"
#include "platform/com/variant.h"

namespace mls::testing {

using Rows = std::vector<std::vector<std::string>>;

struct Row {
  int interId = 1;
  int entry = 1;
  int costObj = 101;
  double standard = 0;
  double qty = 0;
  double amount = 0;
  int costItem = 1;
  int period = 3;
};

class WritersTest : public LinesTest {
 protected:
  // A number column as text without trailing zeros.
  static std::string num(const std::string& column) {
    return "CAST(CAST(" + column + " AS FLOAT) AS VARCHAR(40))";
  }
  void row(const std::string& table, const Row& r) const;
  // FCostObjID, FQty, FAmount (and FPrice when asked) of a line's rows of
  // (2024, `period`), by cost object and cost item, numbers without trailing
  // zeros.
  Rows rowsOf(const std::string& table, int interId, int entry = 1, bool withPrice = false,
              int period = 3) const;
};

// The list of (FInterID, FEntryID) pairs as the client passes it.
com::Variant pairs(const std::vector<std::pair<int, int>>& lines);

}  // namespace mls::testing
