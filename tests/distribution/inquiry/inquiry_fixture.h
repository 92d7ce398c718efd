// The fixture of the distribution inquiry tests: an embedded database with the
// system and ERP schemas, ConcludeInfo created by ProgID, and the recording
// provider that keeps the texts each session was sent.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/com/dispatch.h"
#include "platform/com/error.h"
#include "platform/com/variant.h"
#include "support/erp_rows.h"
#include "support/public_class_test.h"
#include "support/recording_provider.h"

namespace mls::testing {

// Calls go to ConcludeInfo.
class InquiryTest : public PublicClassTest, public ErpRows {
 protected:
  void SetUp() override;

  // Properties that reach this database through the recording provider, whose
  // log is `log`.
  std::string recordedProps(std::shared_ptr<Recording> log) const;

  void exec(const std::string& sql) const override { db_.run(sql); }
  void group(int id, const std::string& number) const;
};

}  // namespace mls::testing
