// The fixture of the distribution engine tests: an embedded database with the
// system and ERP schemas, 12 periods in calendar months (period 3 of 2024 is
// the current one), AutoDis created by ProgID, and department 1 with cost
// objects 3, 5, 7 and 9 in production, material 100 (quantities to 2
// decimals) and the entered standard 1.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/com/variant.h"
#include "support/erp_rows.h"
#include "support/public_class_test.h"

namespace mls::testing {

using Rows = std::vector<std::vector<std::string>>;

struct Issue {
  int bill = 1;
  int entry = 1;
  int item = 100;
  double qty = 10;
  double amount = 100;
  int costObj = 0;
  int group = 0;
  double planPrice = 0;
};

// AutoDisMaterielExp's arguments after sDsn, with its defaults.
struct Runs {
  int standard = 1;
  int dept = 1;
  int type = 0;
  bool noDis = false;
  int item = 0;
  std::string filter{};
  std::string table{};
  bool byItem = false;
  bool formulaByItem = false;
  int group = 0;
  std::string costItem{};
  com::Variant errInfo = com::Variant::missing();
};

class EngineTest : public PublicClassTest, public ErpRows {
 protected:
  void SetUp() override;

  void exec(const std::string& sql) const override { db_.run(sql); }
  Rows rows(const std::string& sql) const;

  // A cost object of type 906 making item 200 + `costObj`, with 10 in of
  // (2024, 3) in department 1.
  void producingCostObject(int costObj);
  // A live issue line; its bill (dated 2024-03-10 in department 1 unless
  // `header` says otherwise) is added with its first line.
  void issue(const Issue& line, Bill header = {});
  // Entered standard data of department 1 per cost object.
  void weights(int standard, const std::map<int, double>& byCostObj) const;
  // A saved row of (2024, 3).
  void savedRow(int bill, int entry, int costObj, double standardData, double amount, int costItem = 1,
                double qty = 1) const;
  // The period snapshot of (2024, 3).
  void snapshot();
  com::Variant distribute(const Runs& run);
  // FCostObjID, FQty, FAmount of a line's rows in `table`, by cost object.
  Rows rowsOf(int bill, int entry = 1, const std::string& table = "cbMaterielInfo") const;

 private:
  std::vector<int> bills_;
};

}  // namespace mls::testing
