// The fixture of the calculation tests: an embedded database with the system
// and ERP schemas, 12 periods in calendar months (unless a test sets a
// calendar), ConcludeUpdate created by ProgID, and the ERP rows seeded on it.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/com/dispatch.h"
#include "platform/com/error.h"
#include "platform/com/object_context.h"
#include "platform/com/variant.h"
#include "support/erp_rows.h"
#include "support/public_class_test.h"
#include "support/recording_provider.h"

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
  // The error `sql` raises when run directly (all zero when it succeeds).
  com::ExcepInfo directError(const std::string& sql) const {
    try {
      exec(sql);
    } catch (const com::ComError& e) {
      return e.info();
    }
    return {};
  }

  // Takes the snapshot of (year, period) through ConcludeUpdate.
  void snapshot(int year, int period);
  // Seeds the demo plant of `seed` with `billLines` bill lines; with `steps`,
  // runs those ConcludeUpdate steps on (2024, 3), then the client's
  // calculation of the period.
  void plant(uint64_t seed, int billLines, const std::vector<std::string>& steps = {});

  // The client's period dates: a dictionary with lngISFindCurDate `flag`.
  static com::Variant clientDates(int flag, const std::string& begin, const std::string& end);
  // A properties string whose connection records its batches (Test.Recording).
  std::string recordingProps() const;
  // Runs `calls` while another connection holds the rows `sql` inserts in an
  // open transaction; answers the batches recorded meanwhile.
  std::shared_ptr<Recording> whileUncommitted(const std::string& sql, const std::function<void()>& calls);
  // The batches of the last recorded session whose second batch names `table`.
  static const std::vector<std::string>* sessionOf(const Recording& recording, const std::string& table);

  com::Ref<com::Dispatch> concludeUpdate_;
};

}  // namespace mls::testing
