// The fixture of the calculation tests: an embedded database with the system
// and ERP schemas, 12 periods in calendar months (unless a test sets a
// calendar), ConcludeUpdate created by ProgID, and seeding helpers whose values
// reach the SQL through the frame's literal helpers.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/com/dispatch.h"
#include "platform/com/error.h"
#include "platform/com/object_context.h"
#include "platform/com/variant.h"
#include "support/public_class_test.h"

namespace mls::testing {

using Rows = std::vector<std::vector<std::string>>;

struct Bill {
  int id = 0;
  int type = 24;
  std::string date = "2024-03-10";
  std::optional<int> dept = 1;
  std::optional<int> status = 1;
  int cancellation = 0;
  int purpose = 12000;
};

// Calls go to ConcludeUpdate.
class CalcTest : public PublicClassTest {
 protected:
  void SetUp() override;

  void exec(const std::string& sql) const { db_.run(sql); }
  // Every row of a query, each value as its text ("NULL" for Null).
  Rows rows(const std::string& sql) const;
  std::string scalar(const std::string& sql) const;
  int count(const std::string& table, const std::string& where = "") const;

  void department(int id, int costAccountType) const;
  void item(int id, std::optional<int> qtyDecimal = std::nullopt, int track = 0) const;
  void costObject(int id, int type, int product, const std::string& batch = "") const;
  void coProduct(int costObj, int product, double quotiety, int deputy = 0) const;
  void bill(const Bill& b) const;
  void line(int interId, int entryId, int item, double qty, const std::string& batch = "") const;
  // Takes the snapshot of (year, period) through the public method.
  void snapshot(int year, int period);
};

}  // namespace mls::testing
