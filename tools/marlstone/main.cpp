// marlstone: registers libmarlstone.so and calls its objects by ProgID, the way
// a client process does (the host loads the library through the registry file;
// it does not link it).
#include <iostream>
#include <string>
#include <vector>

#include "commands.h"

namespace {

int usage() {
  std::cerr << "usage: marlstone register [library]\n"
               "       marlstone unregister [library]\n"
               "       marlstone call ProgID Member [arguments...]\n"
               "       marlstone members ProgID\n"
               "       marlstone demo\n"
               "The registry file is $MARLSTONE_REGISTRY (default ~/.config/marlstone/registry);\n"
               "the library is $MARLSTONE_LIBRARY (default: the one built with this host).\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return usage();
  const std::string& command = args[0];
  if ((command == "register" || command == "unregister") && args.size() <= 2) {
    std::string library = args.size() == 2 ? args[1] : mls::host::libraryPath();
    return command == "register" ? mls::host::registerLibrary(library)
                                 : mls::host::unregisterLibrary(library);
  }
  if (command == "call" && args.size() >= 3) {
    return mls::host::callMember(args[1], args[2], std::span(args).subspan(3));
  }
  if (command == "members" && args.size() == 2) return mls::host::printMembers(args[1]);
  if (command == "demo" && args.size() == 1) return mls::host::demo();
  return usage();
}
