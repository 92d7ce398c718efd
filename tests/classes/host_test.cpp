// The marlstone host as a client uses it: JSON arguments, results and
// out-parameters, votes and errors, and the demo's period grid.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "run_command.h"

namespace {

namespace fs = std::filesystem;

const char* kProps = "\"ConnectString={Provider=Marlstone.Embedded;Data Source=host};Language=en\"";

void writeText(const fs::path& file, const char* text) {
  std::FILE* f = std::fopen(file.c_str(), "w");
  ASSERT_TRUE(f);
  std::fputs(text, f);
  std::fclose(f);
}

int runHost(const std::string& args, std::string* output) {
  return mls::testing::run(std::string(MLS_HOST) + " " + args, output);
}

class HostTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir = fs::temp_directory_path() / ("mls_host_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    ::setenv("MARLSTONE_REGISTRY", (dir / "registry").c_str(), 1);
    std::string out;
    ASSERT_EQ(runHost("register", &out), 0) << out;
  }
  static void TearDownTestSuite() { fs::remove_all(dir); }

  static fs::path dir;
};
fs::path HostTest::dir;

TEST_F(HostTest, JsonArrayArgumentRunsABatchAndShowsTheVote) {
  std::string out;
  EXPECT_EQ(runHost(std::string("call Marlstone.ConcludeUpdate UpdateBatch ") + kProps +
                        " '[\"CREATE TABLE t (a INT)\\r\\n\", \"INSERT INTO t VALUES (1)\", null]'",
                    &out),
            0)
      << out;
  EXPECT_NE(out.find("votes: SetComplete"), std::string::npos) << out;
}

// The host's exit checkpoints the database files it wrote: a file copied
// alone (without its log) holds what the calls committed.
TEST_F(HostTest, AFileCopiedAloneAfterTheHostExitsHoldsEverything) {
  const fs::path file = dir / "exit.mlsdb", copy = dir / "copy" / "exit.mlsdb";
  auto props = [](const fs::path& f, const char* more) {
    return "\"ConnectString={Provider=Marlstone.Embedded;Data Source=" + f.string() + more +
           "};Language=en\"";
  };
  std::string out;
  ASSERT_EQ(runHost("call Marlstone.ConcludeUpdate UpdateBatch " + props(file, ";Create=True") +
                        " '[\"CREATE TABLE kept (a INT)\", \"INSERT INTO kept VALUES (1)\"]'",
                    &out),
            0)
      << out;
  fs::create_directories(copy.parent_path());
  fs::copy_file(file, copy);
  EXPECT_EQ(runHost("call Marlstone.ConcludeUpdate UpdateBatch " + props(copy, "") +
                        " '[\"IF (SELECT COUNT(*) FROM kept) <> 1 RAISERROR(\u0027lost\u0027, 16, 1)\"]'",
                    &out),
            0)
      << out;
}

TEST_F(HostTest, ErrorsShowNumberSourceAndDescriptionAndFailTheExitStatus) {
  std::string out;
  EXPECT_EQ(runHost(std::string("call Marlstone.ConcludeUpdate UpdateBatch ") + kProps +
                        " '[\"INSERT INTO t_Nothing VALUES (1)\"]'",
                    &out),
            1);
  EXPECT_NE(out.find("error -2147217900 (Marlstone.Embedded): Invalid object name 't_Nothing'"),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("votes: SetAbort"), std::string::npos) << out;

  out.clear();
  EXPECT_EQ(runHost("call Marlstone.CalInfo GetPeriodsData 'Language=en;LANGUAGE=chs'", &out), 1);
  EXPECT_NE(out.find("error 457"), std::string::npos) << out;
  EXPECT_NE(out.find("nColorRow: Long 0"), std::string::npos) << out;

  out.clear();
  EXPECT_EQ(runHost(std::string("call Marlstone.ConcludeUpdate UpdateBatch ") + kProps + " '[\"x\",'", &out),
            1);
  EXPECT_NE(out.find("error 5 (marlstone): Malformed JSON argument at character 6"), std::string::npos)
      << out;
}

// Beside the provider's generic number, the server's own: 4060 for a missing
// database, 5172 for a file that is not one.
TEST_F(HostTest, ProviderFailuresShowTheServersOwnNumberAndText) {
  const fs::path notDatabase = dir / "notes.mlsdb";
  writeText(notDatabase, "not a database\n");
  struct Case {
    fs::path file;
    const char* native;
  };
  for (const Case& c :
       {Case{dir / "missing.mlsdb",
             "native error 4060 (Marlstone.Embedded, SQLSTATE HY000): "
             "Cannot open database \""},
        Case{notDatabase, "native error 5172 (Marlstone.Embedded, SQLSTATE HY000): The header"}}) {
    std::string out;
    EXPECT_EQ(runHost("call Marlstone.CalInfo GetCaculateInfo \"ConnectString={Provider=Marlstone.Embedded;"
                      "Data Source=" +
                          c.file.string() + "};Language=en\" '[[50000]]' 2024 3",
                      &out),
              1);
    EXPECT_NE(out.find("error -2147467259 (Marlstone.Embedded): "), std::string::npos) << out;
    EXPECT_NE(out.find(std::string("\n  ") + c.native), std::string::npos) << out;
  }
  EXPECT_FALSE(fs::exists(dir / "missing.mlsdb"));
}

// The registry and the library are taken only as regular files of bounded
// size (a FIFO is not waited on), and the registry's own reason is shown.
TEST_F(HostTest, RegistryAndLibraryProblemsAreNamed) {
  const fs::path fifo = dir / "fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const fs::path broken = dir / "broken";
  writeText(broken, "# classes\nMarlstone.CalInfo {E6161E5E}\n");
  struct Case {
    std::string environment, command, expected;
  };
  for (const Case& c : {
           Case{"MARLSTONE_REGISTRY=" + broken.string(), "register",
                "error 321 (Marlstone.Registry): Registry file " + broken.string() +
                    " line 2: expected ProgID"},
           Case{"MARLSTONE_REGISTRY=/dev/zero", "members Marlstone.CalInfo",
                "error 75 (Marlstone.Registry): Cannot read registry file /dev/zero: it is not a regular "
                "file"},
           Case{"MARLSTONE_LIBRARY=" + fifo.string(), "register",
                "error 429 (Marlstone.Registry): Cannot load library " + fifo.string() +
                    ": it is not a regular file"},
       }) {
    std::string out;
    EXPECT_EQ(mls::testing::run(c.environment + " timeout 60 " + MLS_HOST + " " + c.command, &out), 1)
        << c.command << "\n"
        << out;
    EXPECT_NE(out.find(c.expected), std::string::npos) << out;
  }
}

#ifdef MLS_ODBC_LISTS
// Inside a class's ConnectString={...} a driver is named without braces (the
// braced value would end at the driver's own '}'): the class reaches the
// driver, whose own error (SQLite knows no SET) shows it ran the statements.
TEST_F(HostTest, AClassReachesAnOdbcDriverNamedWithoutBraces) {
  const std::string lists = std::string("ODBCSYSINI=") + MLS_ODBC_LISTS + " ODBCINSTINI=odbcinst.ini ";
  for (const auto& [driver, expected] :
       {std::pair{"Marlstone SQLite3", "error -2147217900 (MSDASQL): near \"SET\""},
        std::pair{"{Marlstone SQLite3}", "The ODBC driver '{Marlstone SQLite3' is not registered"}}) {
    std::string out;
    EXPECT_EQ(mls::testing::run(
                  lists + MLS_HOST +
                      " call Marlstone.ConcludeUpdate UpdateBatch \"ConnectString={Provider=MSDASQL;"
                      "Driver=" +
                      driver + ";Database=" + (dir / "odbc.db").string() + "};Language=en\" '[\"SELECT 1\"]'",
                  &out),
              1);
    EXPECT_NE(out.find(expected), std::string::npos) << out;
  }
}
#endif

TEST_F(HostTest, DictionariesShowByKeyAndClipTextsAsGrids) {
  std::string out;
  EXPECT_EQ(runHost("call Halvern.Dictionary ItemOrDefault absent '{\"k\": [1, 2.5, true, null]}'", &out), 0)
      << out;
  EXPECT_NE(out.find("result: Halvern.Dictionary\n  k: Array(4)\n    (0): Long 1\n    (1): Double 2.5\n"
                     "    (2): Boolean True\n    (3): Null\n"),
            std::string::npos)
      << out;
  out.clear();
  EXPECT_EQ(runHost("call Halvern.Dictionary ItemOrDefault absent '[\"1\\t22\\r333\\t4\"]'", &out), 0) << out;
  EXPECT_NE(out.find("(0): clip text\n    1    22\n    333  4\n"), std::string::npos) << out;
}

TEST_F(HostTest, MembersPrintsEachMembersDeclarationFromItsTable) {
  std::string out;
  ASSERT_EQ(runHost("members Marlstone.ConcludeUpdate", &out), 0) << out;
  EXPECT_EQ(out.rfind("Marlstone.ConcludeUpdate: ", 0), 0u) << out;
  EXPECT_NE(out.find("\n  Function GetPeriodDateToClient(sDsn As String, iYear As Long, iPeriod As Long, "
                     "ByRef BeginDate As Date, ByRef EndDate As Date) As Variant\n"),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("\n  Sub SaveCBCalInfo(sDsn As String)\n"), std::string::npos) << out;

  out.clear();
  ASSERT_EQ(runHost("members Halvern.List", &out), 0) << out;
  EXPECT_NE(out.find("\n  Property Get Item(Index As Long) As Variant\n"), std::string::npos) << out;

  out.clear();
  EXPECT_EQ(runHost("members Marlstone.NoSuchClass", &out), 1);
  EXPECT_NE(out.find("error 429"), std::string::npos) << out;
  EXPECT_NE(out.find("registered with: marlstone register"), std::string::npos) << out;
}

TEST_F(HostTest, AnArrayOfArraysIsTwoDimensionalFieldFirst) {
  std::string out;
  EXPECT_EQ(runHost("call Halvern.Dictionary ItemOrDefault absent '[[1, 2], [\"a\", null]]'", &out), 0)
      << out;
  EXPECT_NE(out.find("result: Array(4)\n  (0, 0): Long 1\n  (0, 1): Long 2\n  (1, 0): String \"a\"\n"
                     "  (1, 1): Null\n"),
            std::string::npos)
      << out;

  // The cost-object list of the calculation inputs: field 0, records 0 and 1.
  out.clear();
  EXPECT_EQ(runHost(std::string("call Marlstone.CalInfo GetCaculateInfo ") + kProps +
                        " '[[10, \"x\"]]' 2024 3 '{\"lngISFindCurDate\": 1, \"datPeriodBeginDate\": "
                        "\"2024-03-01\", \"datCurPeriodEndDate\": \"2024-04-01\"}'",
                    &out),
            1);
  EXPECT_NE(out.find("Element (0, 1) of the cost-object list is not a cost-object ID: x"), std::string::npos)
      << out;

  out.clear();
  EXPECT_EQ(runHost("call Halvern.Dictionary ItemOrDefault absent '[[1, 2], [3]]'", &out), 1);
  EXPECT_NE(out.find("error 5 (marlstone): Malformed JSON argument"), std::string::npos) << out;
  EXPECT_NE(out.find("array 2 has 1 items, the first 2"), std::string::npos) << out;
}

TEST_F(HostTest, HelpPrintsTheUsageToStandardOutputAndSucceeds) {
  std::string out;
  EXPECT_EQ(mls::testing::run("(" + std::string(MLS_HOST) + " --help 2>/dev/null)", &out), 0);
  EXPECT_TRUE(out.starts_with("usage: marlstone register")) << out;
  EXPECT_NE(out.find("demo [--seed S] [--lines N] [--database FILE]"), std::string::npos) << out;
  out.clear();
  EXPECT_EQ(runHost("--nonsense", &out), 2);
  EXPECT_TRUE(out.starts_with("usage: marlstone")) << out;

  // The close's own help says that one period is closed by one client at a time.
  out.clear();
  EXPECT_EQ(mls::testing::run("(" + std::string(MLS_HOST) + " demo --help 2>/dev/null)", &out), 0);
  EXPECT_TRUE(out.starts_with("usage: marlstone demo [--seed S]")) << out;
  EXPECT_NE(out.find("One period is closed by one client at a time"), std::string::npos) << out;
}

// The demo writes its plant to the file it is given, and replaces only a
// database: any other file there is refused and left as it was.
TEST_F(HostTest, DemoPrintsThePeriodGridOfItsDatabase) {
  const fs::path plant = dir / "plant.mlsdb";
  const fs::path notes = dir / "notes.txt";
  writeText(notes, "not a database\n");
  std::string refused;
  EXPECT_EQ(runHost("demo --database " + notes.string(), &refused), 1) << refused;
  EXPECT_EQ(fs::file_size(notes), 15u);
  EXPECT_EQ(refused.find("demo plant"), std::string::npos) << refused;

  std::string out;
  ASSERT_EQ(runHost("demo --database " + plant.string(), &out), 0) << out;
  EXPECT_TRUE(fs::is_regular_file(plant));
  EXPECT_NE(out.find("the plant's database is in " + plant.string()), std::string::npos) << out;
  EXPECT_NE(out.find("CalInfo.GetPeriodsData, Language=en: True, 12 periods, current period 6"),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("  1   2023-12-26  2024-01-25  /\n"), std::string::npos) << out;
  EXPECT_NE(out.find("  5   2024-04-26  2024-05-25  Yes\n"), std::string::npos) << out;
  EXPECT_NE(out.find("  12  2024-11-26  2024-12-25  否\n"), std::string::npos) << out;
}

}  // namespace
