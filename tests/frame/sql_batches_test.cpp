// UpdateBatch, InsertStdCalinfoDetail and InsertStdCalinfoOrOther of
// ConcludeUpdate, created by ProgID: which statements share a batch, shown by
// a statement that cannot be parsed (its whole batch fails, earlier batches
// stay), how elements are joined, the frame facts of the three, and a call
// whose change cannot be saved to its database file failing.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "classes/library.h"
#include "platform/ado/connection.h"
#include "platform/ado/recordset.h"
#include "platform/com/dispatch.h"
#include "platform/com/object_context.h"
#include "platform/tsql/storage/database_file.h"
#include "support/test_database.h"

namespace mls::testing {
namespace {

using com::ComError;
using com::Variant;
using com::Vote;

constexpr const char* kBroken = "INSERT INTO t_Batch (FID) VALUES ( ";

class SqlBatchesTest : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    classes::registerInProcess();
    db_.run("CREATE TABLE t_Batch (FID INT NULL)");
    concludeUpdate_ = com::createObject("Marlstone.ConcludeUpdate");
  }

  // `count` inserts of 0, 1, ...; the one at `broken` (when given) cannot be parsed.
  static Variant statements(int count, int broken = -1) {
    std::vector<Variant> items;
    for (int i = 0; i < count; ++i)
      items.emplace_back(i == broken ? std::string(kBroken)
                                     : "INSERT INTO t_Batch (FID) VALUES (" + std::to_string(i) + ")\r\n");
    return com::SafeArray::vector(std::move(items));
  }
  // Runs the method; answers the error number (0 when none).
  int32_t run(const Variant& oCol, std::vector<Vote>* votes = nullptr, std::string* source = nullptr) {
    com::VoteRecorder recorder;
    int32_t number = 0;
    try {
      com::callByName(*concludeUpdate_, GetParam(), db_.props(), oCol);
    } catch (const ComError& e) {
      number = e.number();
      if (source) *source = e.source();
    }
    if (votes) *votes = recorder.votes();
    return number;
  }
  int64_t rows() const { return db_.run("SELECT COUNT(*) FROM t_Batch")[0][0].toLong(); }

  TestDatabase db_;
  com::Ref<com::Dispatch> concludeUpdate_;
};

TEST_P(SqlBatchesTest, EveryStatementRunsWhenNoneFails) {
  for (int count : {0, 1, 2, 201, 202, 203, 403}) {
    db_.run("DELETE FROM t_Batch");
    std::vector<Vote> votes;
    EXPECT_EQ(run(statements(count), &votes), 0) << count;
    EXPECT_EQ(rows(), count);
    EXPECT_EQ(votes, std::vector<Vote>{Vote::Complete}) << count;
  }
}

TEST_P(SqlBatchesTest, FirstBatchHolds202StatementsAndTheNextOnes200) {
  struct Case {
    int count, broken;
    int64_t kept;  // rows of the batches sent before the failing one
  };
  const Case cases[] = {
      {1, 0, 0},       {2, 1, 0},      // sent once, at the end
      {201, 200, 0},   {202, 201, 0},  // the first batch: elements 0 to 201
      {203, 202, 202},                 // element 202 goes alone, after the first batch
      {403, 201, 0},   {403, 202, 202}, {403, 300, 202}, {403, 401, 202},  // the second batch: 202 to 401
      {403, 402, 402},                                                     // the rest
  };
  for (const Case& c : cases) {
    db_.run("DELETE FROM t_Batch");
    std::vector<Vote> votes;
    std::string source;
    EXPECT_NE(run(statements(c.count, c.broken), &votes, &source), 0) << c.count << "/" << c.broken;
    EXPECT_EQ(rows(), c.kept) << c.count << "/" << c.broken;
    EXPECT_EQ(votes, std::vector<Vote>{Vote::Abort});
    EXPECT_EQ(source.find("ConcludeUpdate"), std::string::npos) << source;  // source unchanged
  }
}

TEST_P(SqlBatchesTest, ElementsJoinAsTheyStandOrAfterATrailingLineComment) {
  const std::vector<std::vector<Variant>> cases = {
      // A trailing line comment ends with its element.
      {Variant("INSERT INTO t_Batch (FID) VALUES (1) -- first"),
       Variant("INSERT INTO t_Batch (FID) VALUES (2)")},
      // Elements without any separator, and one already ended by a line break.
      {Variant("INSERT INTO t_Batch (FID) VALUES (1)"), Variant("INSERT INTO t_Batch (FID) VALUES (2)--\n"),
       Variant("")},
  };
  for (const std::vector<Variant>& elements : cases) {
    db_.run("DELETE FROM t_Batch");
    EXPECT_EQ(run(com::SafeArray::vector(elements)), 0);
    EXPECT_EQ(rows(), 2);
  }
}

// A line break joins an element to the next only where the element's last
// line ends inside a line comment; a statement split across elements inside a
// quoted text keeps its text.  Each case: the elements, then the texts stored.
TEST_P(SqlBatchesTest, ABreakFollowsOnlyAnElementEndingInALineComment) {
  db_.run("CREATE TABLE t_Text (FText NVARCHAR(100) NULL)");
  const std::string insert = "INSERT INTO t_Text (FText) VALUES (";
  const struct {
    std::vector<std::string> elements;
    std::vector<std::string> stored;
  } cases[] = {
      {{insert + "'a", "b')"}, {"ab"}},
      {{insert + "N'x -- no comment", "y')"}, {"x -- no commenty"}},
      {{insert + "'it''s -- ", "in')"}, {"it's -- in"}},
      {{"/* -- */ " + insert + "'c", "d')"}, {"cd"}},
      {{"/* a /* b */ -- */ " + insert + "'e", "f')"}, {"ef"}},
      {{insert + "'p') -- first", insert + "'q') --", insert + "'r')"}, {"p", "q", "r"}},
      {{insert + "'s') -- 'open quote", insert + "'t')"}, {"s", "t"}},
      {{insert + "'u') -- done\n", insert + "'v')"}, {"u", "v"}},
  };
  for (const auto& c : cases) {
    db_.run("DELETE FROM t_Text");
    std::vector<Variant> elements(c.elements.begin(), c.elements.end());
    EXPECT_EQ(run(com::SafeArray::vector(std::move(elements))), 0) << c.elements[0];
    std::vector<std::string> stored;
    for (const auto& row : db_.run("SELECT FText FROM t_Text ORDER BY FText"))
      stored.push_back(row[0].toString());
    EXPECT_EQ(stored, c.stored) << c.elements[0];
  }
}

TEST_P(SqlBatchesTest, ArgumentsThatAreNotZeroBasedArraysFail) {
  EXPECT_EQ(run(Variant("INSERT INTO t_Batch (FID) VALUES (1)")), com::err::kTypeMismatch);
  Variant oneBased = com::SafeArray::vector({Variant("INSERT INTO t_Batch (FID) VALUES (1)")}, 1);
  EXPECT_EQ(run(oneBased), com::err::kSubscript);
  EXPECT_EQ(rows(), 0);
}

TEST_P(SqlBatchesTest, NullElementAddsNothingToUpdateBatchAndFailsTheOthers) {
  Variant withNull =
      com::SafeArray::vector({Variant("INSERT INTO t_Batch (FID) VALUES (1) "), Variant::null(),
                              Variant("INSERT INTO t_Batch (FID) VALUES (2)")});
  std::vector<Vote> votes;
  if (std::string(GetParam()) == "UpdateBatch") {
    EXPECT_EQ(run(withNull, &votes), 0);
    EXPECT_EQ(rows(), 2);
  } else {
    EXPECT_EQ(run(withNull, &votes), com::err::kInvalidUseOfNull);
    EXPECT_EQ(rows(), 0);
    EXPECT_EQ(votes, std::vector<Vote>{Vote::Abort});
  }
}

INSTANTIATE_TEST_SUITE_P(ConcludeUpdate, SqlBatchesTest,
                         ::testing::Values("UpdateBatch", "InsertStdCalinfoDetail",
                                           "InsertStdCalinfoOrOther"));

// A method whose change cannot be saved to the database file fails and votes
// to abort: it never answers success for a change that is gone.
TEST(DurableCalls, AMethodWhoseChangeCannotBeSavedFails) {
  classes::registerInProcess();
  std::string pattern = (std::filesystem::temp_directory_path() / "mlsdb-frame-XXXXXX").string();
  const std::filesystem::path folder = mkdtemp(pattern.data());
  const std::string connect = "Provider=Marlstone.Embedded;Data Source=" + (folder / "calls.mlsdb").string();
  auto sql = [&](const std::string& text) {
    auto cn = com::makeObject<ado::Connection>();
    cn->open(connect + ";Create=True");
    int64_t n = cn->execute(text)->value(size_t{0}).toLong();
    cn->close();
    return n;
  };
  sql("CREATE TABLE t_Batch (FID INT NULL) SELECT 0");
  com::Ref<com::Dispatch> update = com::createObject("Marlstone.ConcludeUpdate");
  const std::string props = "ConnectString={" + connect + "};Language=en";
  auto insert = [&](std::vector<Vote>& votes) {
    com::VoteRecorder recorder;
    std::string error;
    try {
      com::callByName(*update, "UpdateBatch", props,
                      com::SafeArray::vector({Variant("INSERT INTO t_Batch (FID) VALUES (1)\r\n")}));
    } catch (const ComError& e) {
      error = e.description();
    }
    votes = recorder.votes();
    return error;
  };
  std::vector<Vote> votes;
  tsql::storage::DatabaseFile::setSaveFault(
      [](std::string_view step) { return step == "append" ? ENOSPC : 0; });
  std::string error = insert(votes);
  tsql::storage::DatabaseFile::setSaveFault({});
  EXPECT_NE(error.find("Write on"), std::string::npos) << error;
  EXPECT_EQ(votes, std::vector<Vote>{Vote::Abort});
  EXPECT_EQ(sql("SELECT COUNT(*) FROM t_Batch"), 0);

  EXPECT_EQ(insert(votes), "");
  EXPECT_EQ(votes, std::vector<Vote>{Vote::Complete});
  EXPECT_EQ(sql("SELECT COUNT(*) FROM t_Batch"), 1);
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace mls::testing
