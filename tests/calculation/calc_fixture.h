// The fixture of the calculation tests: an embedded database with the system
// and ERP schemas, 12 periods in calendar months (unless a test sets a
// calendar), ConcludeUpdate created by ProgID, and the ERP rows seeded on it.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/com/dispatch.h"
#include "platform/com/error.h"
#include "platform/com/object_context.h"
#include "platform/com/variant.h"
#include "support/erp_rows.h"
#include "support/public_class_test.h"

namespace mls::testing {

using Rows = std::vector<std::vector<std::string>>;

// Calls go to ConcludeUpdate.
class CalcTest : public PublicClassTest, public ErpRows {
 protected:
  void SetUp() override;

  void exec(const std::string& sql) const override { db_.run(sql); }
  // Every row of a query, each value as its text ("NULL" for Null).
  Rows rows(const std::string& sql) const;
  std::string scalar(const std::string& sql) const;
  int count(const std::string& table, const std::string& where = "") const;

  // Takes the snapshot of (year, period) through ConcludeUpdate.
  void snapshot(int year, int period);

  com::Ref<com::Dispatch> concludeUpdate_;
};

}  // namespace mls::testing
