// An embedded database of its own for each test, with the system schema loaded
// and helpers to seed the system profile and the calendar.
#pragma once

#include <string>
#include <vector>

#include "platform/ado/connection.h"
#include "platform/ado/recordset.h"
#include "platform/com/error.h"
#include "platform/com/variant.h"

namespace mls::testing {

class TestDatabase {
 public:
  TestDatabase();

  const std::string& name() const { return name_; }
  std::string connectString() const { return "Provider=Marlstone.Embedded;Data Source=" + name_; }
  // A properties string for this database in `language`.
  std::string props(const std::string& language = "chs") const {
    return "ConnectString={" + connectString() + "};Language=" + language + ";UserName=tester;UserID=7";
  }

  // Runs a batch on a connection of its own; answers its first rowset's rows.
  std::vector<std::vector<com::Variant>> run(const std::string& sql) const;
  // The same rows, each value as its text ("NULL" for Null).
  std::vector<std::vector<std::string>> texts(const std::string& sql) const;
  // The error the engine raises for `sql` sent on a connection of its own; a
  // test failure when it raises none.
  com::ExcepInfo engineError(const std::string& sql) const;
  // Runs a file of the schema folder.
  void runSchemaFile(const std::string& file) const;

  void setProfile(const std::string& category, const std::string& key, const std::string& value) const;
  // The usual profile: 12 periods, the cost module started in (2024, 1), now in (year, period).
  void setPeriods(int count, int startYear, int startPeriod, int currentYear, int currentPeriod) const;
  // Calendar rows for `year`: the first days "yyyy-mm-dd" of periods 1, 2, ...
  void setCalendar(int year, const std::vector<std::string>& firstDays) const;

 private:
  std::string name_;
};

}  // namespace mls::testing
