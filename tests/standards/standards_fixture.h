// The fixture of the standard-quantity tests: an embedded database with the
// ERP schema, one open connection that holds #OnlineCostObj in the callers'
// layout, receivers inserted with a starting value, the ERP rows seeded on it,
// and the period
// (2024, 3) with its window [2024-03-01, 2024-04-01).
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ado/connection.h"
#include "platform/com/variant.h"
#include "support/erp_rows.h"
#include "support/test_database.h"

namespace mls::testing {

// One receiver: its key columns and the value its target columns start with.
struct Receiver {
  int costObj = 0;
  int dept = 1;
  int item = 0;
  int costItem = 0;
  int product = 0;
  int deputy = 0;
  double start = 7;  // a value no source gives: kept means untouched
};

// A live-bill line for the receipt and rework texts.
struct LiveLine {
  int bill = 0;
  int item = 0;
  double qty = 0;
  std::string batch{};
  int costObj = 0;
  int reproduceType = 0;
};

class StandardsTest : public ::testing::Test, public ErpRows {
 protected:
  static constexpr int kYear = 2024;
  static constexpr int kPeriod = 3;

  void SetUp() override;
  void TearDown() override;

  static com::Variant date(const std::string& ymd);
  com::Variant begin() const { return date("2024-03-01"); }
  com::Variant next() const { return date("2024-04-01"); }

  // Adds a receiver; answers its row number.
  int receiver(const Receiver& r);
  // Executes a builder's text on the connection that holds #OnlineCostObj.
  void execute(const std::string& text);
  // The column's value of receiver `row`.
  double qty(int row, const std::string& column = "FQty");
  // Replaces the receivers by `receivers`, executes `text` and answers their
  // values of FQty in order.
  std::vector<double> values(const std::vector<Receiver>& receivers, const std::string& text);

  // Runs seeding SQL on the same connection.
  void exec(const std::string& sql) const override;

  // A live stock bill header dated `ymd`.
  void liveBill(int id, int tranType, int purpose, const std::string& ymd, int dept = 1, int status = 1,
                int cancellation = 0);
  void liveLine(const LiveLine& l);
  // A row of a table keyed by year, period, department and cost object.
  void periodRow(const std::string& table, int dept, int costObj, double qty, int period = kPeriod);

  TestDatabase db_;
  com::Ref<ado::Connection> connection_;
  int rows_ = 0;
  int entries_ = 0;
};

}  // namespace mls::testing
