// marlstone: registers libmarlstone.so and calls its objects by ProgID, the way
// a client process does (the host loads the library through the registry file;
// it does not link it).
#include <charconv>
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <limits>
#include <string>
#include <vector>

#include "close/freed_memory.h"
#include "commands.h"

namespace {

constexpr const char* kUsage =
    "usage: marlstone register [library]\n"
    "       marlstone unregister [library]\n"
    "       marlstone call ProgID Member [arguments...]\n"
    "       marlstone members ProgID\n"
    "       marlstone demo [--seed S] [--lines N] [--database FILE]\n"
    "The registry file is $MARLSTONE_REGISTRY (default ~/.config/marlstone/registry);\n"
    "the library is $MARLSTONE_LIBRARY (default: the one built with this host).\n"
    "members needs the library registered first (marlstone register).\n"
    "demo writes its plant to FILE (default " MLS_DEMO_DATABASE
    "), replacing the database there,\n"
    "and closes its period 3 of 2024 through the public classes (marlstone demo --help).\n";

constexpr const char* kDemoHelp =
    "usage: marlstone demo [--seed S] [--lines N] [--database FILE]\n"
    "Registers the library, creates the public classes by ProgID and prints a small period grid;\n"
    "then generates a plant of N bill lines (default 2000) from seed S (default 2024) into FILE\n"
    "(default " MLS_DEMO_DATABASE
    "; a database there is replaced, any other file refused)\n"
    "and closes its period 3 of 2024 step by step, as a client does, through the public classes.\n"
    "One period is closed by one client at a time: the close takes no guard (on SQL Server\n"
    "neither), and two closes of one period at once interfere (two connections of one process fail\n"
    "at the snapshot with a duplicate key; two processes on one file both report success with the\n"
    "client calculation's rows doubled).\n";

// A wrong command line: the usage on standard error, status 2.
int usage() {
  std::cerr << kUsage;
  return 2;
}

// Reads the value of a whole-number option into `n` when it lies in [low, high];
// else answers what is wrong with it.
std::string wholeNumber(const std::string& option, const std::string& text, uint64_t low, uint64_t high,
                        uint64_t& n) {
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
  if (ec == std::errc() && end == text.data() + text.size() && n >= low && n <= high) return {};
  return option + " takes a whole number from " + std::to_string(low) + " to " + std::to_string(high) +
         ", not '" + text + "'";
}

// Reads the demo's options: "--seed S", "--lines N" (N from 1 to 100,000,000)
// and "--database FILE" (made absolute, so that it always names a file).
// Answers what is wrong with them, or nothing.
std::string demoOptions(const std::vector<std::string>& args, mls::host::PlantDemo& plant) {
  for (size_t i = 1; i < args.size(); i += 2) {
    const std::string& option = args[i];
    if (option != "--seed" && option != "--lines" && option != "--database")
      return "unknown option '" + option + "'";
    if (i + 1 == args.size()) return option + " needs a value";
    const std::string& v = args[i + 1];
    if (option == "--database") {
      if (v.empty()) return "--database needs a file name";
      plant.database = std::filesystem::absolute(v).string();
      continue;
    }
    uint64_t n = 0;
    const bool seed = option == "--seed";
    const std::string wrong = seed ? wholeNumber(option, v, 0, std::numeric_limits<uint64_t>::max(), n)
                                   : wholeNumber(option, v, 1, 100000000, n);
    if (!wrong.empty()) return wrong;
    if (seed) {
      plant.seed = n;
    } else {
      plant.billLines = static_cast<int>(n);
    }
  }
  return {};
}

}  // namespace

int main(int argc, char** argv) {
  mls::close::keepFreedMemory();  // the demo closes a plant in this process
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return usage();
  const std::string& command = args[0];
  if (args.size() == 1 && (command == "--help" || command == "-h" || command == "help")) {
    std::cout << kUsage;
    return 0;
  }
  if ((command == "register" || command == "unregister") && args.size() <= 2) {
    std::string library = args.size() == 2 ? args[1] : mls::host::libraryPath();
    return command == "register" ? mls::host::registerLibrary(library)
                                 : mls::host::unregisterLibrary(library);
  }
  if (command == "call" && args.size() >= 3) {
    return mls::host::callMember(args[1], args[2], std::span(args).subspan(3));
  }
  if (command == "members" && args.size() == 2) return mls::host::printMembers(args[1]);
  if (command == "demo" && args.size() == 2 && (args[1] == "--help" || args[1] == "-h")) {
    std::cout << kDemoHelp;
    return 0;
  }
  if (command == "demo") {
    mls::host::PlantDemo plant;
    const std::string wrong = demoOptions(args, plant);
    if (wrong.empty()) return mls::host::demo(plant);
    std::cerr << "marlstone demo: " << wrong << " (marlstone demo --help)\n";
    return 2;
  }
  return usage();
}
