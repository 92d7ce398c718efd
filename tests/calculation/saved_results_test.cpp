// ConcludeUpdate.SaveCBCalInfo: every work-table row appended column by column,
// whatever its period, and its frame.
#include "calc_fixture.h"

namespace mls::testing {
namespace {

using com::Vote;

class SavedResultsTest : public CalcTest {
 protected:
  void SetUp() override {
    CalcTest::SetUp();
    snapshot(2024, 3);
  }
};

constexpr const char* kCalInfo =
    "FYear, FPeriod, FDeptID, FCostObjID, FCostItemID, FStandardID, FStdSubID, FStandarddata, FOverAmount, "
    "FOnlineAmount, FRevertAmount, FRevQuo, FLevel";
constexpr const char* kDetail =
    "FYear, FPeriod, FDeptID, FCostObjID, FCostItemID, FMaterielID, FBatchNo, FSpendCostObjID, FOverAmount, "
    "FOnlineAmount, FOverQty, FOnlineQty, FLevel";

TEST_F(SavedResultsTest, EveryColumnReachesItsNamesake) {
  exec(std::string("INSERT INTO CBCalInfo_CurData (") + kCalInfo +
       ") VALUES (2024, 3, 11, 12, 13, 14, 15, 16.0000000000001, 17.25, 18.5, 19.75, 0.2000000000003, 2)");
  exec(std::string("INSERT INTO CBCalInfoDetail_CurData (") + kDetail +
       ") VALUES (2024, 3, 21, 22, 23, 24, 'LOT-25', 26, 27.5, 28.25, 29.125, 30.0625, 3)");
  com::VoteRecorder votes;
  call("SaveCBCalInfo");
  EXPECT_EQ(votes.votes(), std::vector<Vote>{Vote::Complete});
  EXPECT_EQ(rows(std::string("SELECT ") + kCalInfo + " FROM CBCalInfo"),
            (Rows{{"2024", "3", "11", "12", "13", "14", "15", "16.0000000000001", "17.25", "18.5", "19.75",
                   "0.2000000000003", "2"}}));
  EXPECT_EQ(rows(std::string("SELECT ") + kDetail + " FROM CBCalInfoDetail"),
            (Rows{{"2024", "3", "21", "22", "23", "24", "LOT-25", "26", "27.5", "28.25", "29.125", "30.0625",
                   "3"}}));
}

TEST_F(SavedResultsTest, AppendsEveryRowOfEveryPeriodEachTime) {
  exec(
      "INSERT INTO CBCalInfo_CurData (FYear, FPeriod, FLevel) VALUES (2023, 12, 1), (2024, 3, 1), (2024, 3, "
      "2)");
  exec("INSERT INTO CBCalInfoDetail_CurData (FYear, FPeriod, FLevel) VALUES (2022, 1, 1)");
  exec("INSERT INTO CBCalInfo (FYear, FPeriod, FLevel) VALUES (2024, 3, 9)");
  call("SaveCBCalInfo");
  call("SaveCBCalInfo");
  EXPECT_EQ(rows("SELECT FYear, FPeriod, FLevel, COUNT(*) FROM CBCalInfo GROUP BY FYear, FPeriod, FLevel "
                 "ORDER BY FYear, FPeriod, FLevel"),
            (Rows{{"2023", "12", "1", "2"},
                  {"2024", "3", "1", "2"},
                  {"2024", "3", "2", "2"},
                  {"2024", "3", "9", "1"}}));
  EXPECT_EQ(count("CBCalInfoDetail", "FYear = 2022"), 2);
}

TEST_F(SavedResultsTest, ADatabaseErrorVotesAbortAndNamesTheMethod) {
  exec("DROP TABLE CBCalInfoDetail_CurData");
  const com::ExcepInfo direct = directError("SELECT * FROM CBCalInfoDetail_CurData");
  com::VoteRecorder votes;
  com::ExcepInfo e = failure("SaveCBCalInfo");
  EXPECT_EQ(votes.votes(), std::vector<Vote>{Vote::Abort});
  EXPECT_EQ(e.number, direct.number);
  EXPECT_EQ(e.source, "Marlstone.ConcludeUpdate.SaveCBCalInfo\r\n" + direct.source);
}

}  // namespace
}  // namespace mls::testing
