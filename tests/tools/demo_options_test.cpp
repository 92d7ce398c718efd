// The demo's command line: a wrong option or value is named on standard error,
// the exit status is 2 and no plant is written.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "classes/run_command.h"

namespace {

namespace fs = std::filesystem;

TEST(DemoOptions, AWrongOptionOrValueIsNamedAndNothingIsWritten) {
  const fs::path plant = fs::temp_directory_path() / ("mls_demo_options_" + std::to_string(::getpid()));
  const std::string database = " --database " + plant.string();
  struct Case {
    std::string args;
    std::string says;
  };
  const std::string seed = "--seed takes a whole number from 0 to 18446744073709551615, not '";
  const std::string lines = "--lines takes a whole number from 1 to 100000000, not '";
  const Case cases[] = {
      {"--seed x", seed + "x'"},
      {"--seed 18446744073709551616", seed + "18446744073709551616'"},
      {"--seed 12abc", seed + "12abc'"},
      {"--lines 0", lines + "0'"},
      {"--lines 100000001", lines + "100000001'"},
      {"--lines", "--lines needs a value"},
      {"--size 5", "unknown option '--size'"},
  };
  for (const Case& c : cases) {
    std::string out;
    EXPECT_EQ(mls::testing::run(std::string(MLS_HOST) + " demo" + database + " " + c.args, &out), 2)
        << c.args << "\n"
        << out;
    EXPECT_NE(out.find("marlstone demo: " + c.says), std::string::npos) << c.args << "\n" << out;
    EXPECT_FALSE(fs::exists(plant)) << c.args;
  }
}

}  // namespace
