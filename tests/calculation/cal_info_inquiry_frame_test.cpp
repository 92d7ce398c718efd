// The frame of CalInfo's request, completion and standard inquiries: the vote
// at entry and no other, a READ UNCOMMITTED connection (the embedded engine
// shows another connection's open rows at READ COMMITTED too, so the statement
// is checked as sent), a database error raised again with its own source, and
// nothing left behind for the next call.
#include <cctype>
#include <memory>

#include "cal_info_inquiry_fixture.h"
#include "platform/com/object_context.h"

namespace mls::testing {
namespace {

using com::Vote;

struct Inquiry {
  const char* member;
  std::vector<com::Variant> args;
  const char* table;  // a table it reads
};

const std::vector<Inquiry>& inquiries() {
  static const std::vector<Inquiry> all{
      {"IsRequestAssist", {2024, 3, 1}, "cbProductCalInfo"},
      {"IsRequestMake", {2024, 3, 1}, "cbProductCalInfo"},
      {"GetProductAmount", {2024, 3, 1}, "cbProductCalInfo"},
      {"GetOnOkCostObj", {2024, 3}, "cbCompleteQty"},
      {"GetOnlStdAData", {3, 2024, 3, 10}, "CBRationStandardInfo"},
      {"GetOnlStdPData", {3, 2024, 3, 10}, "CBRationStandardInfo"},
      {"GetYearBData", {2024, 10}, "cbBalance"},
      {"GetQtyID", {1}, "cb_BmStandard"},
      {"GetMateriel", {2024, 3, 0}, "cbMaterielInfo"},
      {"GetMaterielBySetLevel", {2024, 3, 1}, "cbMaterielInfo"},
      {"GetProductIn", {2024, 3}, "cb_CostObj_Product"},
      {"GetAmountZero", {2024, 3, 5}, "cbMaterielInfo"},
      {"GetOnlineCostobj", {2024, 3}, "cbBalance"},
      {"GetSpendMaterielSum", {2024, 3, 0, 5}, "cbCostObjDetail"},
      {"GetICMOMaterielQtyToCostItem", {0, 5, 2024, 3}, "ICMO"},
      {"GetProductInfo", {2024, 3, ""}, "cbProductCalInfo"},
  };
  return all;
}

std::string lower(std::string text) {
  for (char& c : text)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

class InquiryFrameTest : public CalInfoInquiryTest {
 protected:
  void SetUp() override {
    CalInfoInquiryTest::SetUp();
    snapshot(2024, 3);
  }
};

TEST_F(InquiryFrameTest, EachVotesCompleteAtEntryAndAnswersOnAnEmptyDatabaseReadingUncommitted) {
  for (const Inquiry& q : inquiries()) {
    SCOPED_TRACE(q.member);
    com::VoteRecorder votes;
    auto recording = std::make_shared<Recording>();
    recordBatchesInto(recording);
    com::Variant answer = callWith(recordingProps(), q.member, q.args);
    EXPECT_EQ(votes.votes(), std::vector<Vote>{Vote::Complete});
    if (answer.isObject())
      EXPECT_TRUE(rowsOf(answer).empty());
    else
      EXPECT_FALSE(answer.toBool());
    // The sessions that read the inquiry's table.
    int reading = 0;
    for (const std::vector<std::string>& session : recording->sessions) {
      std::string all;
      for (const std::string& batch : session)
        all += lower(batch);
      if (all.find(lower(q.table)) == std::string::npos) continue;
      ++reading;
      EXPECT_EQ(session[0], "SET TRANSACTION ISOLATION LEVEL READ UnCOMMITTED");
    }
    EXPECT_GT(reading, 0);
  }
}

TEST_F(InquiryFrameTest, ADatabaseErrorIsRaisedAgainWithoutAbortOrName) {
  for (const Inquiry& q : inquiries()) {
    SCOPED_TRACE(q.member);
    exec(std::string("IF OBJECT_ID('") + q.table + "') IS NOT NULL DROP TABLE " + q.table);
    com::VoteRecorder votes;
    com::ExcepInfo e = failure(q.member, q.args);
    EXPECT_EQ(votes.votes(), std::vector<Vote>{Vote::Complete});
    EXPECT_NE(e.number, 0);
    EXPECT_NE(lower(e.description).find(lower(q.table)), std::string::npos) << e.description;
    // The data source's error as it came: no method name in front.
    EXPECT_EQ(e.source, "Marlstone.Embedded");
  }
}

TEST_F(InquiryFrameTest, AFailedCompletionInquiryLeavesNothingForTheNext) {
  exec("DROP TABLE cbCompleteQty");
  failure("GetOnOkCostObj", {2024, 3});
  exec(
      "CREATE TABLE cbCompleteQty (FYear INT, FPeriod INT, FDeptID INT, FCostObjID INT, FQty "
      "DECIMAL(28,10))");
  exec("INSERT INTO cbCostObj (FItemID, FNumber, FName) VALUES (1, 'A01', 'Shaft')");
  exec("INSERT INTO cbCompleteQty VALUES (2024, 3, 1, 1, 2)");
  EXPECT_EQ(rowsOf(call("GetOnOkCostObj", {2024, 3})), (Rows{{"1", "A01", "Shaft", "(A01)Shaft", "2", "0"}}));
}

TEST_F(InquiryFrameTest, ReadsUncommittedRowsOnAConnectionOfItsOwn) {
  department(2, 362);
  exec("INSERT INTO cbCostObj (FItemID, FNumber, FName) VALUES (1, 'A01', 'Shaft')");
  exec(
      "INSERT INTO cb_ICStockBill (FInterID, FTranType, FDate, FDeptID, FStatus, FCancellation) VALUES "
      "(1, 24, '2024-03-02', 2, 1, 0)");
  exec("INSERT INTO cb_ICStockBillEntry (FInterID, FEntryID, FItemID) VALUES (1, 1, 10)");
  const std::string props = recordingProps();
  com::Variant completed, amounts;
  bool requested = false;
  auto recording = whileUncommitted(
      "INSERT INTO cbCompleteQty (FYear, FPeriod, FDeptID, FCostObjID, FQty) VALUES (2024, 3, 1, 1, 9) "
      "INSERT "
      "INTO cbProductCalInfo (FYear, FPeriod, FLevel, FProductID, FAmount) VALUES (2024, 3, 1, 10, 6)",
      [&] {
        completed = callWith(props, "GetOnOkCostObj", {2024, 3});
        amounts = callWith(props, "GetProductAmount", {2024, 3, 1});
        requested = callWith(props, "IsRequestAssist", {2024, 3, 1}).toBool();
      });
  EXPECT_EQ(rowsOf(completed), (Rows{{"1", "A01", "Shaft", "(A01)Shaft", "9", "0"}}));
  EXPECT_EQ(rowsOf(amounts), (Rows{{"0", "10", "", "6"}}));
  EXPECT_TRUE(requested);
  // GetOnOkCostObj sends each statement on its own: drop, create, fill, read,
  // drop.
  const std::vector<std::string>* batches = sessionOf(*recording, "#OnlineCostObj");
  ASSERT_TRUE(batches);
  ASSERT_EQ(batches->size(), 6u);
  EXPECT_EQ((*batches)[1], "drop Table #OnlineCostObj");
  EXPECT_EQ((*batches)[5], "drop Table #OnlineCostObj");
}

}  // namespace
}  // namespace mls::testing
