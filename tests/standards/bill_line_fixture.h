// The fixture of the standard data of a bill line: ConcludeInfo (or
// WConcludeInfo) created by ProgID over an embedded database with the ERP
// schema, the period (2024, 3) in calendar months, department 1 "D01"
// "Assembly", the issue bill 900 "SOUT-900" of that department in the
// period snapshot with line 1 of material 500, and seeding helpers.
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
  int entry = 1;
};

class BillLineTest : public PublicClassTest {
 protected:
  static constexpr int kDept = 1;
  static constexpr int kBill = 900;
  static constexpr int kMaterial = 500;

  void SetUp() override { setUpFor("Marlstone.ConcludeInfo"); }
  void setUpFor(const std::string& progId);

  void exec(const std::string& sql) const { db_.run(sql); }
  // A cost object making `product`, with its own BOM when `bom` is given.
  void costObject(int id, int product = 0, int type = 906, const std::string& batch = "",
                  std::optional<int> bom = std::nullopt) const;
  // Input of the period in department 1.
  void input(int costObj, double qty = 1) const;
  void item(int id, int track = 0, std::optional<int> erpClass = std::nullopt) const;
  void standard(int num, const std::string& code, const std::string& name, bool complex = false,
                std::optional<std::string> formula = std::nullopt) const;
  void unit(int kind, const std::string& name, int standardID = 0) const;
  void ration(int standardID, int costObj, double qty) const;
  // The material and batch of line 1 of bill 900.
  void line(int item, const std::string& batch = "") const;

  // GetStandarddata's rows sorted, each "costObj qty quotiety [chk]" with the
  // numbers as the recordset holds them.
  std::vector<std::string> data(const StandardArgs& a = {}, const std::string& language = "en");
  // The same of a recordset another call answered.
  static std::vector<std::string> rowsOf(const com::Variant& recordset);
  com::ExcepInfo dataError(const StandardArgs& a = {}, const std::string& language = "en");
  // The number of rows of `table`.
  int count(const std::string& table) const;

 private:
  std::vector<com::Variant> args(const StandardArgs& a) const;
};

}  // namespace mls::testing
