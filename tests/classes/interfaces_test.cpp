// Each public class's member table against its interface listing
// (interfaces/<Class>.txt): a provided member is declared exactly as listed, a
// listed member not provided yet answers 438, and nothing unlisted is provided.
// The README's table of provided members names the same members.
#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "classes/library.h"
#include "platform/com/declaration.h"
#include "platform/com/dispatch.h"
#include "platform/com/registry.h"

namespace mls::classes {
namespace {

// The seven public classes.
struct PublicClass {
  const char* name;
};
const PublicClass kClasses[] = {{"CalInfo"}, {"CalInfoCheck"}, {"ConcludeInfo"}, {"ConcludeUpdate"},
                                {"AutoDis"}, {"AutoDisInfo"},  {"WConcludeInfo"}};

std::string progId(const PublicClass& c) {
  return std::string("Marlstone.") + c.name;
}

std::string fileText(const std::string& path) {
  std::ifstream in(path);
  EXPECT_TRUE(in) << path;
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The declaration lines of a listing, in order.
std::vector<std::string> listing(const PublicClass& c) {
  std::istringstream in(fileText(std::string(MLS_SOURCE_DIR "/tests/classes/interfaces/") + c.name + ".txt"));
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line[0] != '#') lines.push_back(line);
  }
  return lines;
}

std::string memberName(const std::string& line) {
  static const std::regex name(R"(^(Sub|Function) (\w+)\()");
  std::smatch m;
  return std::regex_search(line, m, name) ? m[2].str() : line;
}

std::string lower(std::string s) {
  for (char& ch : s)
    ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  return s;
}

const com::TypeInfo& memberTable(const PublicClass& c) {
  registerInProcess();
  com::Ref<com::Dispatch> obj = com::createObject(progId(c));
  const com::TypeInfo* type = com::typeInfoOf(*obj);
  if (!type) throw std::runtime_error(progId(c) + " describes no members");
  return *type;  // the class's static table outlives the object
}

TEST(InterfacesTest, MemberTablesProvideListedMembersAsDeclared) {
  for (const PublicClass& c : kClasses) {
    SCOPED_TRACE(c.name);
    const com::TypeInfo& type = memberTable(c);
    std::set<std::string> listed;
    for (const std::string& line : listing(c)) {
      const std::string name = memberName(line);
      listed.insert(lower(name));
      if (const com::TypeInfo::Member* m = type.find(name, com::InvokeKind::Method)) {
        EXPECT_EQ(com::declarationOf(m->info), line);
        // Defaults reach the member as they are, so each must have its parameter's type.
        for (const com::Param& p : m->info.params) {
          if (p.defaultValue && p.type) {
            EXPECT_EQ(p.defaultValue->kind(), *p.type) << name << " " << p.name;
          }
        }
        continue;
      }
      com::Ref<com::Dispatch> obj = com::createObject(progId(c));
      try {
        com::callByName(*obj, name);
        ADD_FAILURE() << name << " answered without being provided";
      } catch (const com::ComError& e) {
        EXPECT_EQ(e.number(), com::err::kNoSuchMember) << name;
      }
    }
    for (const com::TypeInfo::Member& m : type.members()) {
      EXPECT_TRUE(listed.count(lower(m.info.name)))
          << "provided but not listed: " << com::declarationOf(m.info);
    }
  }
}

// The README's table: "| `Marlstone.A`, `Marlstone.B` | `Member`, `Member` |" or "none yet".
std::map<std::string, std::set<std::string>> readmeMembers() {
  std::string readme = fileText(MLS_SOURCE_DIR "/README.md");
  size_t start = readme.find("## What the public classes answer today");
  EXPECT_NE(start, std::string::npos);
  std::istringstream in(readme.substr(start));
  std::map<std::string, std::set<std::string>> members;
  const std::regex row(R"(\| (`Marlstone\.\w+`(, `Marlstone\.\w+`)*) \| (.*) \|)");
  const std::regex quoted(R"(`([\w.]+)`)");
  for (std::string line; std::getline(in, line);) {
    std::smatch m;
    if (!std::regex_match(line, m, row)) continue;
    const std::string names = m[3];
    std::set<std::string> provided;
    for (std::sregex_iterator i(names.begin(), names.end(), quoted), end; i != end; ++i)
      provided.insert((*i)[1]);
    EXPECT_TRUE(!provided.empty() || names == "none yet") << line;
    const std::string classes = m[1];
    for (std::sregex_iterator i(classes.begin(), classes.end(), quoted), end; i != end; ++i)
      EXPECT_TRUE(members.emplace((*i)[1], provided).second) << "named twice: " << (*i)[1];
  }
  return members;
}

TEST(InterfacesTest, ReadmeNamesTheMembersEachClassProvides) {
  std::map<std::string, std::set<std::string>> readme = readmeMembers();
  EXPECT_EQ(readme.size(), std::size(kClasses));
  for (const PublicClass& c : kClasses) {
    std::set<std::string> provided;
    for (const com::TypeInfo::Member& m : memberTable(c).members())
      provided.insert(m.info.name);
    EXPECT_EQ(readme[progId(c)], provided) << progId(c);
  }
}

}  // namespace
}  // namespace mls::classes
