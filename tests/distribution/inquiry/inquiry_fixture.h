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
#include "support/recording_provider.h"
#include "support/test_database.h"

namespace mls::testing {

class InquiryTest : public ::testing::Test {
 protected:
  void SetUp() override;

  // ConcludeInfo.<member>(props, args...); raises what the method raises.
  com::Variant call(const std::string& member, std::vector<com::Variant> args = {});
  com::Variant callWith(const std::string& props, const std::string& member, std::vector<com::Variant> args);
  // The error of a call that must fail.
  com::ExcepInfo failure(const std::string& member, std::vector<com::Variant> args = {});
  // The error the engine raises for `sql` sent directly.
  com::ExcepInfo engineError(const std::string& sql) const;
  // Properties that reach this database through the recording provider, whose
  // log is `log`.
  std::string recordedProps(std::shared_ptr<Recording> log) const;

  void exec(const std::string& sql) const { db_.run(sql); }
  void item(int id, const std::string& number, const std::string& name, const com::Variant& erpClass) const;
  void group(int id, const std::string& number) const;

  TestDatabase db_;
  com::Ref<com::Dispatch> info_;
};

}  // namespace mls::testing
