// The demo's database: the system schema, a system profile and a calendar,
// built through ConcludeUpdate.UpdateBatch in an embedded in-memory database of
// this process, and the period grid CalInfo.GetPeriodsData answers for it.
#pragma once

#include <string>

namespace mls::host {

// An INSERT of one system-profile row, ending in CR LF.
std::string profileRow(const char* category, const char* key, const std::string& value);

// The properties string of the demo database in `language`.
std::string demoProps(const std::string& language);
// Builds the demo database; raises the library's error when a step fails.
void buildDemoDatabase();
// Prints GetPeriodsData for the demo database in `language`.
void printDemoPeriods(const std::string& language);

}  // namespace mls::host
