// Tests of the SQL logic test runner against a scripted fake executor, so that
// they run without the engine.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "md5.h"
#include "render.h"
#include "runner.h"
#include "script.h"
#include "suite.h"

namespace mls::tsql::slt {
namespace {

// Answers batches from a table; an unknown batch succeeds with no rowset.
class FakeExecutor : public Executor {
 public:
  ExecOutcome execute(const std::string& batch) override {
    ran.push_back(batch);
    auto it = answers.find(batch);
    return it == answers.end() ? ExecOutcome{} : it->second;
  }
  void useConnection(const std::string& name) override { ran.push_back("connection " + name); }
  void rows(const std::string& sql, std::vector<std::vector<Cell>> rows,
            std::vector<std::string> types = {}) {
    ResultTable t;
    size_t n = rows.empty() ? types.size() : rows[0].size();
    for (size_t i = 0; i < n; ++i)
      t.columns.push_back({"c", i < types.size() ? types[i] : "int"});
    t.rows = std::move(rows);
    ExecOutcome o;
    o.lastRowset = std::move(t);
    answers[sql] = std::move(o);
  }
  void fail(const std::string& sql, int number) {
    ExecOutcome o;
    o.ok = false;
    o.errorNumber = number;
    o.errorMessage = "boom";
    answers[sql] = o;
  }
  std::map<std::string, ExecOutcome> answers;
  std::vector<std::string> ran;
};

std::vector<std::vector<Cell>> ints(std::initializer_list<std::initializer_list<int64_t>> rows) {
  std::vector<std::vector<Cell>> out;
  for (auto row : rows) {
    std::vector<Cell> cells;
    for (int64_t v : row)
      cells.push_back(Cell::integer(v));
    out.push_back(cells);
  }
  return out;
}

TEST(Md5Test, DigestsWholeAndPiecewiseAcrossBlocks) {
  EXPECT_EQ(md5Hex(""), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(md5Hex(std::string(1000000, 'a')), "7707d6ae4e027c70eea2a935c2296f21");
  std::string text = std::string(63, 'x') + std::string(65, 'y');
  Md5 m;
  for (size_t i = 0; i < text.size(); i += 7)
    m.update(std::string_view(text).substr(i, 7));
  EXPECT_EQ(m.hexDigest(), "c54ab0f35fcdc8269288ec20090b7de4");
  EXPECT_EQ(md5Hex(text), "c54ab0f35fcdc8269288ec20090b7de4");
}

TEST(RenderTest, CellsAsTheirColumnTypeShowsThem) {
  struct Case {
    Cell cell;
    char type;
    const char* text;
  };
  const Case cases[] = {
      // I truncates toward zero; text reads its leading digits.
      {Cell::integer(-42), 'I', "-42"},
      {Cell::real(-2.7, "-2.7"), 'I', "-2"},
      {Cell::real(2.7, "2.7"), 'I', "2"},
      {Cell::exact("-12.7500"), 'I', "-12"},
      {Cell::exact("0.9990"), 'I', "0"},
      {Cell::str("17abc"), 'I', "17"},
      {Cell::str("abc"), 'I', "0"},
      {Cell::null(), 'I', "NULL"},
      // R shows three decimals.
      {Cell::integer(3), 'R', "3.000"},
      {Cell::real(-0.12345, "-0.12345"), 'R', "-0.123"},
      {Cell::exact("124.0000"), 'R', "124.000"},
      {Cell::null(), 'R', "NULL"},
      // T shows the value as it is, '' as (empty).
      {Cell::exact("124.0000"), 'T', "124.0000"},
      {Cell::real(0.1, "0.1"), 'T', "0.1"},
      {Cell::str(""), 'T', "(empty)"},
      {Cell::str(" 1234.56"), 'T', " 1234.56"},
      {Cell::null(), 'T', "NULL"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(renderCell(c.cell, c.type), c.text) << c.type << " " << c.text;
}

TEST(RenderTest, SortModes) {
  ResultTable t;
  t.columns = {{"a", "int"}, {"b", "int"}};
  t.rows = ints({{2, 1}, {10, 3}, {1, 9}});
  EXPECT_EQ(renderValues(t, "II", SortMode::NoSort),
            (std::vector<std::string>{"2", "1", "10", "3", "1", "9"}));
  // Text order: "10" sorts before "2".
  EXPECT_EQ(renderValues(t, "II", SortMode::RowSort),
            (std::vector<std::string>{"1", "9", "10", "3", "2", "1"}));
  EXPECT_EQ(renderValues(t, "II", SortMode::ValueSort),
            (std::vector<std::string>{"1", "1", "10", "2", "3", "9"}));
}

// The hashes themselves are checked by the shared corpus's hashed results.
TEST(RenderTest, HashLines) {
  EXPECT_EQ(hashLine({"NULL", "(empty)", "-3"}), "3 values hashing to 591652aa411c2d38e126d2e1df1dd505");
  EXPECT_TRUE(isHashLine("30 values hashing to 3c13dee48d9356ae19af2515e05e6b54"));
  EXPECT_FALSE(isHashLine("30 values hashing to 3c13"));
  EXPECT_FALSE(isHashLine("30"));
}

TEST(ScriptTest, ParsesEveryRecordKind) {
  auto recs = parseScript(
      "# a comment\n"
      "hash-threshold 8\r\n"
      "\r\n"
      "statement ok\n"
      "CREATE TABLE t (a INT)\n"
      "INSERT t VALUES (1)\n"
      "\n"
      "statement error 8115\n"
      "SELECT 1\n"
      "\n"
      "skipif mysql # not compatible\n"
      "onlyif mssql\n"
      "query IT rowsort label-7\n"
      "SELECT a, b\n"
      "  FROM t\n"
      "----\n"
      "1\n"
      "  two  \n"
      "\n"
      "query T types\n"
      "SELECT 1\n"
      "\n"
      "halt\n");
  ASSERT_EQ(recs.size(), 6u);
  EXPECT_EQ(recs[0].kind, Record::Kind::HashThreshold);
  EXPECT_EQ(recs[0].hashThreshold, 8);
  EXPECT_EQ(recs[1].kind, Record::Kind::Statement);
  EXPECT_FALSE(recs[1].expectError);
  EXPECT_EQ(recs[1].sql, "CREATE TABLE t (a INT)\nINSERT t VALUES (1)");
  EXPECT_EQ(recs[1].line, 4);
  EXPECT_TRUE(recs[2].expectError);
  EXPECT_EQ(recs[2].errorNumber, 8115);
  const Record& q = recs[3];
  EXPECT_EQ(q.kind, Record::Kind::Query);
  EXPECT_EQ(q.line, 13);
  ASSERT_EQ(q.conditions.size(), 2u);
  EXPECT_FALSE(q.conditions[0].onlyIf);
  EXPECT_EQ(q.conditions[0].engine, "mysql");
  EXPECT_EQ(q.columnTypes, "IT");
  EXPECT_EQ(q.sort, SortMode::RowSort);
  EXPECT_EQ(q.label, "label-7");
  EXPECT_EQ(q.sql, "SELECT a, b\n  FROM t");
  EXPECT_TRUE(q.hasExpected);
  EXPECT_EQ(q.expected, (std::vector<std::string>{"1", "  two  "}));
  EXPECT_EQ(recs[4].sort, SortMode::Types);
  EXPECT_FALSE(recs[4].hasExpected);
  EXPECT_EQ(recs[5].kind, Record::Kind::Halt);
}

TEST(ScriptTest, MalformedRecordsAreReportedAndSkipped) {
  auto recs = parseScript(
      "query X\nSELECT 1\n----\n1\n\n"
      "statement maybe\nSELECT 1\n\n"
      "frobnicate\n\n"
      "statement ok 12\nSELECT 1\n\n"
      "statement ok\nSELECT 2\n");
  ASSERT_EQ(recs.size(), 5u);
  for (int i = 0; i < 4; ++i)
    EXPECT_EQ(recs[i].kind, Record::Kind::Invalid) << i;
  EXPECT_EQ(recs[2].line, 9);
  EXPECT_EQ(recs[4].kind, Record::Kind::Statement);
  EXPECT_EQ(recs[4].sql, "SELECT 2");
}

TEST(RunnerTest, StatementsAndErrorNumbers) {
  FakeExecutor fx;
  fx.fail("SELECT 1/0", 8134);
  ScriptRunner runner;
  FileResult r = runner.run("f.test",
                            "statement ok\nCREATE TABLE t (a INT)\n\n"
                            "statement error\nSELECT 1/0\n\n"
                            "statement error 8134\nSELECT 1/0\n\n"
                            "statement error 8115\nSELECT 1/0\n\n"
                            "statement ok\nSELECT 1/0\n\n"
                            "statement error\nSELECT 1\n",
                            fx);
  EXPECT_EQ(r.passed, 3);
  EXPECT_EQ(r.failed, 3);
  ASSERT_EQ(r.failures.size(), 3u);
  EXPECT_EQ(r.failures[0].line, 10);
  EXPECT_EQ(r.failures[0].expected, "error 8115");
  EXPECT_NE(r.failures[0].got.find("error 8134"), std::string::npos);
  EXPECT_EQ(r.failures[1].expected, "success");
  EXPECT_EQ(r.failures[2].got, "success");
}

TEST(RunnerTest, QueriesCompareRenderedValues) {
  FakeExecutor fx;
  fx.rows("SELECT a, b FROM t", {{Cell::integer(2), Cell::str("x")}, {Cell::integer(1), Cell::null()}},
          {"int", "varchar(1)"});
  ScriptRunner runner;
  FileResult r = runner.run("f.test",
                            "query IT rowsort\nSELECT a, b FROM t\n----\n1\nNULL\n2\nx\n\n"
                            "query IT nosort\nSELECT a, b FROM t\n----\n1\nNULL\n2\nx\n\n"
                            "query I\nSELECT a, b FROM t\n----\n2\n\n"
                            "query IT types\nSELECT a, b FROM t\n----\nint\nvarchar(1)\n\n"
                            "query IT\nSELECT a, b FROM t\n\n"
                            "query I\nSELECT nothing\n----\n1\n",
                            fx);
  EXPECT_EQ(r.passed, 3);
  EXPECT_EQ(r.failed, 3);
  ASSERT_EQ(r.failures.size(), 3u);
  EXPECT_EQ(r.failures[0].line, 9);  // nosort keeps the executor's order
  EXPECT_EQ(r.failures[0].got, "2\nx\n1\nNULL\n");
  EXPECT_EQ(r.failures[1].expected, "1 columns");
  EXPECT_EQ(r.failures[2].got, "no rowset");
}

TEST(RunnerTest, HashThresholdAndLabels) {
  FakeExecutor fx;
  fx.rows("q1", ints({{1}, {2}, {3}, {4}}));
  fx.rows("q2", ints({{4}, {3}, {2}, {1}}));
  fx.rows("q3", ints({{5}}));
  ScriptRunner runner;
  const std::string hash = "4 values hashing to 302c28003d487124d97c242de94da856";
  FileResult r = runner.run("f.test",
                            "hash-threshold 3\n\n"
                            "query I nosort\nq1\n----\n" +
                                hash +
                                "\n\n"
                                // Under the threshold the values may still be listed.
                                "query I valuesort\nq2\n----\n1\n2\n3\n4\n\n"
                                "query I nosort\nq2\n----\n" +
                                hash +
                                "\n\n"
                                // A label must hash alike wherever it appears.
                                "query I rowsort lbl\nq2\n----\n1\n2\n3\n4\n\n"
                                "query I nosort lbl\nq1\n----\n1\n2\n3\n4\n\n"
                                "query I nosort lbl\nq3\n----\n5\n",
                            fx);
  EXPECT_EQ(r.passed, 4);
  EXPECT_EQ(r.failed, 2);
  ASSERT_EQ(r.failures.size(), 2u);
  EXPECT_EQ(r.failures[0].line, 16);  // q2 unsorted hashes differently
  EXPECT_EQ(r.failures[1].line, 37);  // same label, other values
  EXPECT_NE(r.failures[1].expected.find("label lbl at line 21"), std::string::npos);
}

TEST(RunnerTest, SkipifOnlyifAndHalt) {
  FakeExecutor fx;
  ScriptRunner runner;
  FileResult r = runner.run("f.test",
                            "skipif mssql\nstatement ok\nA\n\n"
                            "onlyif mysql\nstatement ok\nB\n\n"
                            "onlyif mssql\nstatement ok\nC\n\n"
                            "skipif mysql\nstatement ok\nD\n\n"
                            "onlyif oracle\nhalt\n\n"
                            "statement ok\nE\n\n"
                            "connection other\n\n"
                            "skipif mssql\nconnection third\n\n"
                            "onlyif mssql\nhalt\n\n"
                            "statement ok\nF\n\n"
                            "query I\nG\n",
                            fx);
  EXPECT_EQ(fx.ran, (std::vector<std::string>{"C", "D", "E", "connection other"}));
  EXPECT_EQ(r.passed, 3);
  EXPECT_EQ(r.skipped, 4);
  EXPECT_EQ(r.failed, 0);
}

TEST(RunnerTest, SkipListNamesRecordsByFileAndLine) {
  FakeExecutor fx;
  fx.fail("SELECT group_concat(x) FROM t", 195);
  SkipList list;
  list.add("evidence/agg.test", 4);
  ScriptRunner runner;
  runner.setSkipList(&list);
  const std::string text = "statement ok\nA\n\nquery T\nSELECT group_concat(x) FROM t\n----\nx\n";
  FileResult r = runner.run("/x/sqllogictest/evidence/agg.test", text, fx);
  EXPECT_EQ(r.passed, 1);
  EXPECT_EQ(r.skipped, 1);
  EXPECT_EQ(r.listed, 1);
  r = runner.run("/x/other/agg.test", text, fx);
  EXPECT_EQ(r.failed, 1);
}

TEST(RunnerTest, SkipListFileFormat) {
  std::string path = ::testing::TempDir() + "slt_skips.txt";
  {
    std::ofstream out(path);
    out << "# SQLite-only forms\n\nevidence/agg.test:12   # group_concat\n  select1.test:7\n";
  }
  SkipList list;
  std::string error;
  ASSERT_TRUE(list.load(path, error)) << error;
  EXPECT_EQ(list.size(), 2u);
  EXPECT_TRUE(list.contains("a/evidence/agg.test", 12));
  EXPECT_FALSE(list.contains("a/evidence/agg.test", 13));
  EXPECT_TRUE(list.contains("select1.test", 7));
  {
    std::ofstream out(path);
    out << "evidence/agg.test\n";
  }
  EXPECT_FALSE(list.load(path, error));
  EXPECT_NE(error.find(":1:"), std::string::npos);
}

TEST(SuiteTest, ReportsCountsAndClosingLine) {
  std::string dir = ::testing::TempDir() + "slt_suite/";
  std::filesystem::create_directories(dir + "sub");
  {
    std::ofstream(dir + "a.test") << "statement ok\nOK\n\nstatement error\nOK\n";
    std::ofstream(dir + "sub/b.test") << "statement ok\nOK\n";
    std::ofstream(dir + "notes.txt") << "statement error\nOK\n";
  }
  std::string error;
  auto files = collectFiles({dir}, error);
  ASSERT_EQ(files.size(), 2u) << error;
  EXPECT_EQ(files[0], dir + "a.test");
  int made = 0;
  std::ostringstream out;
  int status = runSuite(
      files,
      [&] {
        ++made;
        return std::make_unique<FakeExecutor>();
      },
      SuiteOptions{}, out);
  EXPECT_EQ(status, 1);
  EXPECT_EQ(made, 2);  // a fresh executor per file
  const std::string report = out.str();
  EXPECT_NE(report.find(dir + "a.test:4: failed"), std::string::npos) << report;
  EXPECT_NE(report.find("\n2 passed, 1 failed\n"), std::string::npos) << report;

  std::ostringstream quiet;
  SuiteOptions options;
  options.quiet = true;
  EXPECT_EQ(runSuite(
                {dir + "sub/b.test"}, [] { return std::make_unique<FakeExecutor>(); }, options, quiet),
            0);
  EXPECT_EQ(quiet.str().find("b.test"), std::string::npos);
  EXPECT_NE(quiet.str().find("1 passed, 0 failed\n"), std::string::npos);

  collectFiles({dir + "missing"}, error);
  EXPECT_NE(error.find("missing"), std::string::npos);
}

}  // namespace
}  // namespace mls::tsql::slt
