// The fixture of the standard data of a bill line: ConcludeInfo (or
// WConcludeInfo) created by ProgID over an embedded database with the ERP
// schema, the period (2024, 3) in calendar months, department 1 "D01"
// "Assembly", and the issue bill 900 "SOUT-900" of that department in the
// period snapshot with line 1 of material 500 (not batch-tracked).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "support/public_class_test.h"

namespace mls::testing {

// The arguments of GetStandarddata after the properties string.
struct StandardArgs {
  int standard = 10;
  int costObj = 0;
  bool refresh = true;
  int group = 0;
  std::optional<int> item = std::nullopt;  // omitted when none
};

class BillLineTest : public PublicClassTest {
 protected:
  void SetUp() override { setUpFor("Marlstone.ConcludeInfo"); }
  void setUpFor(const std::string& progId);

  void exec(const std::string& sql) const { db_.run(sql); }
  // Cost objects of type 906 with input of the period in department 1.
  void inProduction(const std::vector<int>& costObjs) const;
  // A standard named by its code ("<code> zh" in Chinese, "<code> tw" in cht).
  void standard(int num, const std::string& code, bool complex = false,
                const std::optional<std::string>& formula = std::nullopt) const;

  // GetStandarddata's rows sorted, each "costObj qty quotiety [chk]".
  std::vector<std::string> data(const StandardArgs& a = {}, const std::string& language = "en");
  static std::vector<std::string> rowsOf(const com::Variant& recordset);
  com::ExcepInfo dataError(const StandardArgs& a = {}, const std::string& language = "en");
  int count(const std::string& table) const {
    return db_.run("SELECT COUNT(*) FROM " + table)[0][0].toLong();
  }

 private:
  std::vector<com::Variant> args(const StandardArgs& a) const;
};

}  // namespace mls::testing
