// Each public class's member table against its interface listing
// (interfaces/<Class>.txt): a provided member is declared exactly as listed, a
// listed member not provided yet answers 438, and nothing unlisted is provided.
// The README's table of provided members names the same members.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "classes/library.h"
#include "platform/com/declaration.h"
#include "platform/com/dispatch.h"
#include "platform/com/registry.h"

namespace mls::classes {
namespace {

// The seven classes and the number of public members each has in all.
struct PublicClass {
  const char* name;
  size_t publicMembers;
};
const PublicClass kClasses[] = {{"CalInfo", 47},        {"CalInfoCheck", 45}, {"ConcludeInfo", 12},
                                {"ConcludeUpdate", 52}, {"AutoDis", 7},       {"AutoDisInfo", 8},
                                {"WConcludeInfo", 4}};

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

const std::regex kDeclaration(R"((Sub|Function) (\w+)\((.*)\)( As (\w+))?)");
const std::regex kParameter(
    R"((Optional )?(ByRef )?(\w+) As (String|Long|Double|Boolean|Date|Object|Variant)( = (-?\d+|True|False|"([^"]|"")*"))?)");
const std::set<std::string> kResultTypes{"String", "Long", "Double", "Boolean", "Date", "Object", "Variant"};

std::string memberName(const std::string& line) {
  std::smatch m;
  return std::regex_match(line, m, kDeclaration) ? m[2].str() : line;
}

// The parameters of a declaration, split at the commas outside quotes.
std::vector<std::string> parameters(const std::string& text) {
  std::vector<std::string> params;
  if (text.empty()) return params;
  std::string current;
  bool quoted = false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '"') quoted = !quoted;
    if (!quoted && text.compare(i, 2, ", ") == 0) {
      params.push_back(current);
      current.clear();
      ++i;
    } else {
      current += text[i];
    }
  }
  params.push_back(current);
  return params;
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

TEST(InterfacesTest, EveryListedMemberIsAWellFormedDeclaration) {
  for (const PublicClass& c : kClasses) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> lines = listing(c);
    EXPECT_FALSE(lines.empty());
    EXPECT_LE(lines.size(), c.publicMembers);
    std::set<std::string> names;
    for (const std::string& line : lines) {
      std::smatch m;
      ASSERT_TRUE(std::regex_match(line, m, kDeclaration)) << line;
      EXPECT_TRUE(names.insert(lower(m[2])).second) << "listed twice: " << line;
      if (m[1] == "Sub") {
        EXPECT_FALSE(m[4].matched) << line;
      } else {
        EXPECT_TRUE(kResultTypes.count(m[5])) << line;
      }
      bool optionalSeen = false;
      std::set<std::string> paramNames;
      for (const std::string& p : parameters(m[3])) {
        std::smatch pm;
        ASSERT_TRUE(std::regex_match(p, pm, kParameter)) << p << " in " << line;
        EXPECT_TRUE(paramNames.insert(lower(pm[3])).second) << p << " in " << line;
        EXPECT_TRUE(pm[1].matched || !optionalSeen) << "required after optional: " << line;
        EXPECT_TRUE(pm[1].matched || !pm[5].matched) << "default of a required parameter: " << line;
        optionalSeen = optionalSeen || pm[1].matched;
      }
    }
  }
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
