// The demo's plant: a generated plant (schema/demoplant) in an embedded
// database file (replaced at each run), closed for its period by the period
// close driver (tools/close), one line per step; a small plant also shows
// what each step left, and the close ends with the product cost report in
// "chs" and "en".
#pragma once

#include <cstdint>
#include <string>

namespace mls::host {

struct PlantDemo {
  uint64_t seed = 2024;
  int billLines = 2000;
  std::string database = MLS_DEMO_DATABASE;  // the file the plant is written to
};

// Raises the engine's error when `databaseFile` holds something other than a
// database the demo may replace (any other file is left alone); a missing
// file is made by the demo.
void checkPlantDatabase(const std::string& databaseFile);

// Raises the library's error when a step fails.
void runPlantDemo(const std::string& databaseFile, const PlantDemo& demo);

}  // namespace mls::host
